#pragma once

#include <QComboBox>
#include <QObject>
#include <QString>
#include <filesystem>
#include <functional>
#include <string>

#include "portcatalog.h"
#include "porttable.h"

class QSettings;

// A drop-down list that is filled afresh each time it opens.
class RefreshingComboBox : public QComboBox {
 public:
  explicit RefreshingComboBox(QWidget* parent = nullptr);
  std::function<void()> aboutToOpen;
  void showPopup() override;

 protected:
  // A long device name is shortened in the middle, where by-id names differ
  // least; the whole name is the tooltip.
  void paintEvent(QPaintEvent* event) override;
};

// The port selector: "COM1".."COM4" as the settings map them, then the serial
// devices present, each with what it is. A device is remembered by its stable
// name; one that is gone stays shown as chosen, marked missing.
class PortChooser : public QObject {
  Q_OBJECT

 public:
  static constexpr int kComPorts = 4;

  // Fills `box`; devices are looked for under `deviceRoot`.
  PortChooser(RefreshingComboBox* box, std::filesystem::path deviceRoot);

  // Takes the COMn mapping and the choice from `settings` (null: defaults).
  void Load(QSettings* settings);
  // Writes the choice into `settings`.
  void Store(QSettings& settings) const;
  // Lists the devices again, keeping the choice.
  void Refresh();
  // Chooses `path` for this session only, as `--device` does.
  void UseForThisRun(const std::string& path);

  // The device a Start opens.
  std::string DevicePath() const;
  // 1..4 while a COMn is chosen, else 0.
  int ComPort() const { return device.empty() ? comPort : 0; }

 signals:
  // The user chose another port or device.
  void Chosen();

 private:
  void OnIndexChanged(int index);

  RefreshingComboBox* box;
  PortCatalog catalog;
  PortTable table;
  int comPort = 1;
  std::string device;    // the chosen device's path; empty for a COMn
  bool remember = true;  // false after UseForThisRun
};

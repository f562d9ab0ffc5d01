#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

#include "graphmodel.h"
#include "graphpicture.h"
#include "livebins.h"

class PaintGraphic;
class QComboBox;
class QLineEdit;
class QPrinter;
class QPushButton;
class QTimer;

// The graph page (dialog template 203): chooses the log, the transmitter,
// the time range, the day, the interval, the scale and the font; loads the
// log into its model and shows the model's picture in the drawing window;
// prints and saves it. Every template control carries its id as object name
// and as the property "controlId". It never touches the reading page's data.
class Graphic : public QWidget {
  Q_OBJECT

 public:
  explicit Graphic(QWidget* parent = nullptr);

  // The page's dialogs, replaceable so tests can answer them.
  // An existing log, starting in `folder`; empty when cancelled.
  std::function<QString(const QString& folder)> chooseLogFile;
  // Where to save the picture or the bins, `suggested` first; empty when cancelled.
  std::function<QString(const QString& suggested)> chooseExportFile;
  std::function<bool(QPrinter&)> choosePrinter;   // false when the user cancels
  std::function<void(const QString&)> showError;  // a message with caption "Ошибка!"
  // Where "Открыть" starts before any log was opened: the reading page's log folder.
  std::function<QString()> logFolder;
  // How long a load runs before its progress dialog shows; shorter loads never show it.
  int progressDelayMs = 400;

  void OnInitDialog();
  void OnOpen();
  // Loads the same log again with the page's current choices (F5).
  void OnReload();
  void OnBuild();
  void OnIntervalSelected();
  void OnMaxTxSelected();
  void OnPrint();
  void OnSave();
  void OnFontSelected(int index);
  void OnDaySelected(int index);
  // "Текущее чтение": follows the running reading (on) or stops following.
  void OnLive(bool on);

  // The running reading's bins; the reading page hands them its lines.
  LiveBins& Live() { return live; }
  bool FollowsReading() const { return following; }
  // Redraws the running reading's picture if it changed; a timer calls it
  // once a second while the page follows the reading.
  void RefreshLive();

  // The interval, the scale top, the interval's text and the font as the
  // lists show them.
  GraphSettings Settings() const;
  void ShowRate(const QString& rate);

  PaintGraphic& Drawing() { return *drawing; }
  const GraphModel& Model() const { return model; }
  QWidget* Control(int id) const;

 private:
  // What the controls ask for; nullopt, after saying why, when a time is no time.
  std::optional<LoadRequest> Request();
  void Load(const QString& path, const LoadRequest& request);
  // The transmitters and days of the loaded log, offered in their lists.
  void OfferChoices();
  void Render(bool show);
  // Asks the live bins for `request` and shows them; false, after saying
  // why, when they cannot be binned for it.
  bool ShowLive(const LoadRequest& request);
  void StopFollowing();

  GraphModel model;
  LiveBins live;
  bool following = false;
  std::filesystem::path offeredDaysOf;  // the log whose days the day list holds
  std::uint64_t shownVersion = 0;
  QTimer* liveTimer = nullptr;
  QPushButton* liveButton = nullptr;
  PaintGraphic* drawing = nullptr;
  bool loading = false;
  QComboBox* transmitterBox = nullptr;
  QLineEdit* firstEdit = nullptr;
  QLineEdit* lastEdit = nullptr;
  QComboBox* intervalList = nullptr;
  QComboBox* maxTxList = nullptr;
  QComboBox* fontList = nullptr;
  QComboBox* dayList = nullptr;
  QLineEdit* rateEdit = nullptr;
};

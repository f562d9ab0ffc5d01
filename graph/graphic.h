#pragma once

#include <QString>
#include <QWidget>
#include <functional>

#include "graphpicture.h"

class PaintGraphic;
class QComboBox;
class QLineEdit;
class QPrinter;

// The graph page (dialog template 203): chooses the log, the transmitter,
// the time range, the interval, the scale and the font, and asks the drawing
// window to load, draw and print. Every control carries its template id as
// object name and as the property "controlId". It never touches the reading
// page's data.
class Graphic : public QWidget {
  Q_OBJECT

 public:
  explicit Graphic(QWidget* parent = nullptr);

  // The page's dialogs, replaceable so tests can answer them.
  std::function<QString()> chooseLogFile;         // an existing file, or empty when cancelled
  std::function<bool(QPrinter&)> choosePrinter;   // false when the user cancels
  std::function<void(const QString&)> showError;  // a message with caption "Ошибка!"
  // How long a load runs before its progress dialog shows; shorter loads never show it.
  int progressDelayMs = 400;

  void OnInitDialog();
  void OnOpen();
  void OnBuild();
  void OnIntervalSelected();
  void OnMaxTxSelected();
  void OnPrint();
  void OnFontSelected(int index);

  // The interval, the scale top and the interval's text as the lists show them.
  GraphSettings Settings() const;
  void ShowRate(const QString& rate);

  PaintGraphic& Drawing() { return *drawing; }
  QWidget* Control(int id) const;

 private:
  void RepaintRequest();

  PaintGraphic* drawing = nullptr;
  bool loading = false;
  QLineEdit* transmitterEdit = nullptr;
  QLineEdit* firstEdit = nullptr;
  QLineEdit* lastEdit = nullptr;
  QComboBox* intervalList = nullptr;
  QComboBox* maxTxList = nullptr;
  QComboBox* fontList = nullptr;
  QLineEdit* rateEdit = nullptr;
};

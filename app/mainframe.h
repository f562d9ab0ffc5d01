#pragma once

#include <QDialog>
#include <QSize>
#include <array>

#include "localtime.h"

class DataReceiving;
class QTabBar;

// The main window: a tab control with the reading page and the graph page.
class MainFrame : public QDialog {
  Q_OBJECT

 public:
  // `clock` dates the title and drives the reading page; the system clock by default.
  explicit MainFrame(const Clock* clock = nullptr, QWidget* parent = nullptr);
  ~MainFrame() override;

  void OnInitDialog();
  void OnTabSelChange();
  // Ends a running reading as a kept Stop, without a question, saves tx.txt
  // and ends the window.
  void OnClose();
  // SIGINT, SIGTERM or SIGHUP: whatever dialog is open, a running reading ends
  // as Stop answered "Yes" would, then the window closes.
  void EndOnSignal();

  DataReceiving& ReadingPage() { return *readingPage; }
  QWidget& GraphPage() { return *graphPage; }
  QWidget* CurrentPage() const { return currentPage; }
  QTabBar& Tabs() { return *tabBar; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void ShowLineState(bool lost, const QString& reason);
  void ShowLogNote(const QString& note);
  void ShowTitle();

  SystemClock systemClock;
  const Clock& clock;
  QString title;
  QString lineNote;
  QString logNote;
  QString silenceNote;
  QWidget* tabControl = nullptr;
  std::array<QSize, 2> naturalPageSizes;  // the reading page's, the graph page's
  QTabBar* tabBar = nullptr;
  DataReceiving* readingPage = nullptr;
  QWidget* graphPage = nullptr;
  QWidget* currentPage = nullptr;
};

#pragma once

#include <QString>
#include <QWidget>
#include <array>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "localtime.h"
#include "logfolder.h"
#include "readingsession.h"
#include "receptionlistener.h"
#include "silencewatch.h"
#include "slotpanel.h"
#include "transmitterlist.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSettings;
class QLineEdit;
class QMessageBox;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QTimer;
class PortChooser;
class RefreshingComboBox;
class ThreadInbox;
class TonePlayer;

// The reading page: the port, Start and Stop, the reception monitor and the
// eight transmitter slots. The reader runs on its own thread; every control is
// updated here, on the user-interface thread, from the lines it hands over.
class GrowingLayout;
class PageSettings;
class SilenceAlarm;
class StatusLine;

class DataReceiving : public QWidget, private ReadingEvents, private ReceptionListener {
  Q_OBJECT

 public:
  // `clock` defaults to the system clock; tests pass their own.
  explicit DataReceiving(QWidget* parent = nullptr, const Clock* clock = nullptr);
  ~DataReceiving() override;

  // The page's questions and messages, replaceable so tests can answer them.
  std::function<bool()> askSaveFiles;              // "Сохранить файлы?": true for Yes
  std::function<void(const QString&)> showError;   // a message with caption "Ошибка!"
  std::function<void(const QString&)> showNotice;  // the same, without waiting for it
  std::function<bool(QPrinter&)> choosePrinter;    // false when the user cancels
  std::function<void()> playTones;                 // the two tones, without waiting
  // The log folder dialog: the folder chosen, or empty when cancelled.
  std::function<QString(const QString& current)> chooseFolder;
  // Shows a folder in the file manager; false when none could.
  std::function<bool(const QString& folder)> openFolder;
  // A desktop notification; never waits for the desktop.
  std::function<void(const QString& summary, const QString& body)> notifyDesktop;

  // "Сохранить файлы?" with "Да" and "Нет"; every way of dismissing it but
  // "Нет" answers "Да".
  static std::unique_ptr<QMessageBox> MakeSaveFilesQuestion(QWidget* parent);

  void OnInitPage();
  void OnStart();
  void OnStop();
  // Ends a running reading as Stop answered "Yes" would, without asking.
  void StopAndKeep();
  // Ends a running reading without a question, as a kept Stop.
  void OnClosePage();
  void OnPortSelected(int index);
  void OnSignalCheck();
  void OnBeep();
  void OnRedraw(QWidget* window);
  void OnClearColumn(int slot);
  void OnWindowSelected(int slot, int index);
  void OnPrint();
  void LockControls();
  void UnlockControls();
  void LoadPortSetting();
  void SavePortSetting();
  void LoadTransmitterList();
  void SaveTransmitterList();
  void OnChooseLogFolder();
  void OnOpenLogFolder();

  // Makes `folder` the log folder, remembered; tx.txt there is read when
  // there is one.
  void SetLogFolder(const QString& folder);
  QString LogFolderPath() const { return logFolder.Path(); }
  // Reads `path` in this session, whatever the settings choose (--device).
  void UseDevice(const std::string& path);
  // The device a Start would open; 1..4 while a COMn is chosen, else 0.
  std::string ChosenDevice() const;
  int ComPort() const;

  // Puts `numbers` into the first slots' number edits.
  void ShowTransmitters(const std::vector<std::string>& numbers);

  // `listener` hears every line of the readings from the next Start on.
  void AddReceptionListener(ReceptionListener& listener) { session.AddListener(listener); }
  // The silence limit of `slot` chosen by the user, in minutes (0: off).
  void OnSilenceSelected(int slot, int minutes);
  // Looks for transmitters silent past their limits now; a timer calls it
  // when the next limit passes.
  void CheckSilence();
  bool SlotInAlarm(int slot) const;
  // The status line: the device and its state, the lines of the run, the
  // time of the last line and the log file.
  QString StatusText() const;
  // The last thing said about a silence.
  QString SilenceNews() const;

  // The control with the template id `id`, or nullptr.
  QWidget* Control(int id) const;
  bool IsReading() const { return session.IsReading(); }
  const Statistics& Stats() const { return session.statistics; }
  // The current run's log file; empty between runs.
  const std::filesystem::path& LogPath() const { return session.logPath; }
  // Waits up to `timeout` until every ended run's log file is complete.
  bool WaitForLogs(std::chrono::milliseconds timeout) { return session.WaitForLogs(timeout); }
  // The system calls the log files are written through (tests make them fail).
  void SetLogCalls(const LogFileCalls* calls) { session.logCalls = calls; }

  bool beepOnEighth = false;

 signals:
  // The line was lost (true) or is back (false); `reason` says why.
  void LineStateChanged(bool lost, const QString& reason);
  // What the title says about the log file; empty when all is well.
  void LogNoteChanged(const QString& note);
  // What the title says about silent transmitters; empty when none is.
  void SilenceNoteChanged(const QString& note);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Stop's steps; `keep` is asked when not given.
  void FinishReading(std::optional<bool> keep);
  void CreateControls();
  void ShowLogFolder();
  void DrainLines();
  // Puts what the last lines changed on the screen, once per event-loop turn.
  void FlushDisplay();
  void ShowError(const QString& text);
  void UpdateStatus();

  // ReceptionListener: the run's line count and last line.
  void RunStarted(const std::filesystem::path& logPath, std::int64_t elapsedMs) override;
  void Received(const Reception& line) override;

  // ReadingEvents: monitor calls here, reader calls from the reader thread.
  void ClearMonitor() override;
  void AppendMonitor(std::string_view stampedLine) override;
  void Counted(unsigned slots) override;
  void LinesReady() override;
  void LineLost(const std::string& reason) override;
  void LineBack(const std::string& deviceChange) override;
  void LogWriteFailed(const std::string& reason) override;
  void LogWriteResumed(std::int64_t lostLines) override;
  void LogRecreated(const std::filesystem::path& newPath, std::int64_t missingLines,
                    const std::string& reason) override;
  void LogRecreateFailed(const std::string& reason) override;
  void LogFinished(const LogOutcome& outcome) override;
  // Runs `work` on the page's thread if the run `run` is still the current one.
  void PostForRun(std::function<void()> work);

  SystemClock systemClock;
  const Clock& clock;
  SlotPanel slotPanel;
  ReadingSession session;  // holds the port and the statistics
  TransmitterStore transmitters;
  LogFolder logFolder;
  QPushButton* startButton = nullptr;
  QPushButton* stopButton = nullptr;
  QPlainTextEdit* monitor = nullptr;
  RefreshingComboBox* portSelector = nullptr;
  PortChooser* portChooser = nullptr;
  QLineEdit* logFolderBox = nullptr;
  QPushButton* chooseFolderButton = nullptr;
  QPushButton* openFolderButton = nullptr;
  QComboBox* roundingSelector = nullptr;
  QPushButton* printButton = nullptr;
  QCheckBox* signalCheck = nullptr;
  QLabel* statusLine = nullptr;
  QLabel* newsLine = nullptr;

  SilenceAlarm* alarm = nullptr;
  std::unique_ptr<StatusLine> status;
  std::unique_ptr<PageSettings> settings;
  QTimer* statusTimer = nullptr;  // the status line, a few times a second
  std::unique_ptr<GrowingLayout> layout;

  QString pendingMonitor;
  bool monitorClearPending = false;
  // The reader thread's news, run on the page's thread.
  ThreadInbox* inbox = nullptr;
  TonePlayer* tones = nullptr;
  QTimer* drainTimer = nullptr;  // takes the next slice of a flood
  QTimer* flushTimer = nullptr;  // shows what came since the last showing
  std::chrono::steady_clock::time_point lastFlush;
  // Counts the runs, so that news of an ended run are not taken for the next.
  std::atomic<int> runNumber{0};
  // The reader asked for a drain that the page has not yet scheduled.
  std::atomic<bool> drainRequested{false};
  bool finishing = false;  // Stop is asking its question
};

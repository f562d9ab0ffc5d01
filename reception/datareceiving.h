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
#include "readingsession.h"
#include "slotcontrols.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QMessageBox;
class QPlainTextEdit;
class QPrinter;
class QProcess;
class QPushButton;
class QTimer;
class ThreadInbox;

// The reading page: the port, Start and Stop, the reception monitor and the
// eight transmitter slots. The reader runs on its own thread; every control is
// updated here, on the user-interface thread, from the lines it hands over.
class DataReceiving : public QWidget, private SlotControls, private ReadingEvents {
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

  // Puts `numbers` into the first slots' number edits.
  void ShowTransmitters(const std::vector<std::string>& numbers);

  // The control with the template id `id`, or nullptr.
  QWidget* Control(int id) const;
  bool IsReading() const { return session.IsReading(); }

  ReadingSession session;  // holds `port` and the statistics
  bool beepOnEighth = false;
  // tx.txt, fixed at start-up so a later change of directory cannot move it.
  std::filesystem::path transmitterListPath;
  // tx.txt could not be read whole at start-up: kept aside before the save.
  bool transmitterListDamaged = false;

 signals:
  // The line was lost (true) or is back (false); `reason` says why.
  void LineStateChanged(bool lost, const QString& reason);
  // What the title says about the log file; empty when all is well.
  void LogNoteChanged(const QString& note);

 private:
  // Stop's steps; `keep` is asked when not given.
  void FinishReading(std::optional<bool> keep);
  struct Slot {
    QLineEdit* numberEdit = nullptr;
    QLineEdit* lastLineBox = nullptr;
    QLineEdit* levelBox = nullptr;
    QComboBox* windowSelector = nullptr;
    QPlainTextEdit* columnBox = nullptr;
    QPushButton* clearButton = nullptr;
    std::string columnBytes;  // the column box's text in the program's bytes
    std::optional<std::string> pendingLevel;
    std::optional<std::string> pendingLastLine;
    bool columnPending = false;
  };

  void CreateControls();
  void PlayTonesOnSoundDevice();
  void DrainLines();
  // Puts what the last lines changed on the screen, once per event-loop turn.
  void FlushDisplay();
  void ShowError(const QString& text);

  // SlotControls
  std::string NumberText(int slot) const override;
  std::string ColumnText(int slot) const override;
  void SetLevelText(int slot, std::string_view text) override;
  void SetColumnText(int slot, std::string_view text) override;
  void SetLastLineText(int slot, std::string_view text) override;

  // ReadingEvents: monitor calls here, reader calls from the reader thread.
  void ClearMonitor() override;
  void AppendMonitor(std::string_view stampedLine) override;
  void Counted(unsigned slots) override;
  void LinesReady() override;
  void LineLost(const std::string& reason) override;
  void LineBack() override;
  void LogWriteFailed(const std::string& reason) override;
  void LogWriteResumed(std::int64_t lostLines) override;
  void LogRecreated(const std::filesystem::path& newPath) override;
  void LogRecreateFailed(const std::string& reason) override;
  void LogFinished(const std::filesystem::path& path, std::int64_t lostLines) override;
  // Runs `work` on the page's thread if the run `run` is still the current one.
  void PostForRun(std::function<void()> work);

  SystemClock systemClock;
  QPushButton* startButton = nullptr;
  QPushButton* stopButton = nullptr;
  QPlainTextEdit* monitor = nullptr;
  QComboBox* portSelector = nullptr;
  QComboBox* roundingSelector = nullptr;
  QPushButton* printButton = nullptr;
  QCheckBox* signalCheck = nullptr;
  std::array<Slot, kSlotCount> slotWidgets;

  QString pendingMonitor;
  bool monitorClearPending = false;
  // The reader thread's news, run on the page's thread.
  ThreadInbox* inbox = nullptr;
  QProcess* beepPlayer = nullptr;
  QTimer* drainTimer = nullptr;  // takes the next slice of a flood
  QTimer* flushTimer = nullptr;  // shows what came since the last showing
  std::chrono::steady_clock::time_point lastFlush;
  // Counts the runs, so that news of an ended run are not taken for the next.
  std::atomic<int> runNumber{0};
  // The reader asked for a drain that the page has not yet scheduled.
  std::atomic<bool> drainRequested{false};
  bool finishing = false;  // Stop is asking its question
  // The settings file could not be read: it is not written in this run.
  bool settingsUsable = true;
  bool settingsWriteReported = false;
};

#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "localtime.h"
#include "logfile.h"
#include "logwriter.h"
#include "readingrun.h"
#include "receptionlistener.h"
#include "serialport.h"
#include "slotcontrols.h"
#include "slotpresenter.h"
#include "statistics.h"

// How a front end shows a reading. The monitor calls come on the owner's
// thread; the reader calls (ReaderListener) on the reader thread and the log
// calls (LogListener) on the log writer's.
class ReadingEvents : public ReaderListener, public LogListener {
 public:
  virtual void ClearMonitor() = 0;
  virtual void AppendMonitor(std::string_view stampedLine) = 0;
  // `countedSlots`: a bit per slot that counted the line just processed.
  virtual void Counted(unsigned countedSlots) { (void)countedSlots; }
};

// The reading page's state and the order of its steps, shared by the window
// and the console reader: start a run, take the reader's lines into the
// statistics and the monitor, halt, finish the log file.
class ReadingSession {
 public:
  enum class StartResult { kStarted, kLogFailed, kLogFolderHung, kPortFailed, kThreadFailed };
  static constexpr int kMonitorLines = 300;

  ReadingSession(const Clock& clock, SlotControls& controls, ReadingEvents& events);
  ~ReadingSession();

  // Creates the log file in `logDir`, opens the line at `devicePath` (none
  // when empty: reads time out) and starts the reader. On failure nothing
  // runs, the log file (if created) is closed, and LastError() says why;
  // for the line, port.LastProblem() says more.
  StartResult Start(const std::string& devicePath);
  // The same on a byte source the caller owns and keeps open (a test's
  // script, a simulated receiver): a failure can only be the log's.
  StartResult Start(ByteSource& source);

  // `listener` hears every line from the next run on, after the statistics;
  // it must outlive the session's runs.
  void AddListener(ReceptionListener& listener) { listeners.push_back(&listener); }

  // Tells the listeners that the run's log goes on as `newPath` (after the log
  // writer's LogRecreated, on the owner's thread).
  void LogMoved(const std::filesystem::path& newPath);

  // Takes the lines the reader has handed over: statistics, listeners, then
  // the monitor.
  // With a `budget` it stops after about that long, and never waits for the
  // reader, so that a flood cannot hold a window's event loop; true when
  // lines are still waiting, and then it is called again.
  bool DrainLines(
      std::chrono::steady_clock::duration budget = std::chrono::steady_clock::duration::max());

  // Ends the reader, purges and closes the line, and takes the last lines.
  void Halt();
  // After Halt: "End", then the summary when `keep`, else the file is deleted;
  // then the stop time is stamped into the column boxes. Returns at once: the
  // log writer finishes the file in the background (see WaitForLogs).
  void Finish(bool keep);

  // Waits up to `timeout` until every finished run's file is complete; true
  // when none is still being written.
  bool WaitForLogs(std::chrono::milliseconds timeout);
  // Lines of finished runs not yet handed to the system, and the file of the
  // last finished run: what a stalled disk still holds back.
  std::uint64_t UnwrittenLogLines() const;
  std::filesystem::path FinishingLogPath() const;
  // The running run's log writer, or nullptr.
  LogWriter* Log() const { return logWriter.get(); }

  bool IsReading() const { return run != nullptr; }
  const std::string& LastError() const { return lastError; }

  SerialPort port;
  Statistics statistics;
  SlotPresenter presenter;        // the statistics on the slots' controls
  std::filesystem::path logDir;   // where the log files go
  std::filesystem::path logPath;  // the current run's file; empty between runs
  // The system calls the log files are written through (tests make them fail).
  const LogFileCalls* logCalls = &kSystemLogFileCalls;
  // How long Start waits for the log folder to make the file: a folder on a
  // store that does not answer fails the start instead of holding it.
  std::chrono::milliseconds logCreateTimeout{3000};
  // Where a deleted log goes at the end when its own folder cannot take it.
  std::vector<std::filesystem::path> logFallbackFolders = LogFallbackFolders();

 private:
  StartResult StartOn(const std::string* devicePath, ByteSource* source);

  const Clock& clock;
  ByteSource* reading = nullptr;  // what the run reads: the port or the caller's
  ReadingEvents& events;
  std::vector<ReceptionListener*> listeners;
  std::unique_ptr<LogWriter> logWriter;
  // Files of ended runs that may still be being written.
  std::vector<std::unique_ptr<LogWriter>> finishingLogs;
  std::unique_ptr<ReadingRun> run;
  // Lines taken from the reader and not handled yet, from `backlogNext` on.
  std::vector<CompletedLine> backlog;
  std::size_t backlogNext = 0;
  int lineCounter = 0;
  std::string lastError;
};

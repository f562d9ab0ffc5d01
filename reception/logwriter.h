#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "logfile.h"

// How a run's log ended, for the end report. A report never names a file
// that does not exist: `path` is empty when the lines are nowhere.
struct LogOutcome {
  std::filesystem::path path;  // where the run's lines are
  bool kept = true;            // false: deleted, as asked
  bool inFallback = false;     // `path` is in a fallback folder: the log's own would not take it
  bool ended = true;           // "End" and the gap table are in the file
  std::int64_t lostLines = 0;  // lines of the run the file lacks
  std::int64_t unsureLines =
      0;                // written, but the disk did not confirm them (flush or close failed)
  std::string problem;  // the last failure, with the file and the system's reason

  // Every failure leaves its `problem`.
  bool Complete() const {
    return !kept ||
           (!path.empty() && problem.empty() && lostLines == 0 && unsureLines == 0 && ended);
  }
};

// What happens to a log file while it is written. Called on the writer's
// thread: an implementation hands the news over to its own thread.
class LogListener {
 public:
  virtual ~LogListener() = default;
  // A line could not be written, or flushed to the disk (full disk, file-size
  // limit, I/O error); called once per series of failures.
  virtual void LogWriteFailed(const std::string& reason) = 0;
  // Writing works again; `lostLines` lines of the failed series are missing.
  virtual void LogWriteResumed(std::int64_t lostLines) { (void)lostLines; }
  // The file or its folder was deleted: the writer goes on in `newPath`,
  // which holds everything written before too, less `missingLines` lines that
  // could not be read back (`reason` says why).
  virtual void LogRecreated(const std::filesystem::path& newPath, std::int64_t missingLines,
                            const std::string& reason) {
    (void)newPath;
    (void)missingLines;
    (void)reason;
  }
  // The file was deleted, and making it anew failed; tried again later.
  virtual void LogRecreateFailed(const std::string& reason) { (void)reason; }
  // The file is closed (or deleted); how it ended.
  virtual void LogFinished(const LogOutcome& outcome) { (void)outcome; }
};

// Writes one run's log file on a thread of its own, so that neither the reader
// nor the window ever waits on a disk. Each line goes to the kernel as soon as
// it is taken, whole or not at all; the file is flushed to the disk at most once
// a second while lines come, and at the end. Every second the writer checks
// that the file is still there, and makes it anew when it was deleted; a
// deleted file is never closed while its lines exist nowhere else: at the end
// it goes to a fallback folder when its own cannot take it.
class LogWriter {
 public:
  static constexpr std::chrono::milliseconds kSyncInterval{1000};
  static constexpr std::chrono::milliseconds kCheckInterval{1000};
  // Lines waiting for a stalled disk beyond this are counted as lost, so that
  // memory stays bounded.
  static constexpr std::size_t kMaxQueuedLines = 1000000;

  LogWriter(LogFile file, LogListener& listener,
            std::vector<std::filesystem::path> fallbackFolders = LogFallbackFolders());
  // Waits until the file is complete.
  ~LogWriter();
  LogWriter(const LogWriter&) = delete;
  LogWriter& operator=(const LogWriter&) = delete;

  // Queues `line` for the file; never waits on the disk. Any thread.
  void Append(std::string line);
  // Queues `lines` in order and empties the vector.
  void Append(std::vector<std::string>& lines);
  // Queues `tail` as the file's last bytes, then closes it, or deletes it when
  // not `keep`. Returns at once; nothing may be appended after it.
  void Finish(std::string tail, bool keep);
  // Waits up to `timeout` for the file to be complete; true when it is.
  bool WaitFinished(std::chrono::milliseconds timeout);
  // Waits up to `timeout` until `lines` Append calls have been handled.
  bool WaitWritten(std::uint64_t lines, std::chrono::milliseconds timeout);

  // Where the lines go now (a recreated file has a name of its own).
  std::filesystem::path Path() const;
  std::int64_t LostLines() const;
  // Lines taken by Append and not yet handed to the system.
  std::uint64_t Unwritten() const;

 private:
  void WriterLoop();
  void WriteBatch(const std::vector<std::string>& batch);
  void WriteLine(const std::string& line);
  void CheckFile();
  void SyncFile();
  // At the end: a deleted file that could not be made anew gets one more try
  // in its own folder, then one in each fallback folder.
  void RescueDeletedFile(LogOutcome& outcome);
  LogOutcome Complete(bool keep, const std::string& tail);

  LogListener& listener;
  LogFile file;  // writer thread only, once it runs
  const std::vector<std::filesystem::path> fallbackFolders;

  mutable std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::string> queue;
  std::uint64_t appended = 0;
  std::uint64_t handled = 0;
  bool finishRequested = false;
  bool keepFile = true;
  std::string finalTail;
  bool finished = false;
  std::int64_t lostLines = 0;
  std::int64_t droppedWhileQueued = 0;
  std::filesystem::path currentPath;

  // Writer thread only.
  std::int64_t lostInSeries = 0;
  std::int64_t linesSinceSync = 0;
  std::int64_t unsureLines = 0;  // written, but a flush of them failed
  bool failing = false;
  bool syncFailing = false;
  bool ending = false;      // the finishing pass has begun
  bool discarding = false;  // ... for a file that is deleted
  std::string lastFailure;
  bool recreateFailing = false;
  bool unsynced = false;
  std::chrono::steady_clock::time_point lastSync;
  std::chrono::steady_clock::time_point lastCheck;

  std::thread writerThread;
};

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

// What happens to a log file while it is written. Called on the writer's
// thread: an implementation hands the news over to its own thread.
class LogListener {
 public:
  virtual ~LogListener() = default;
  // A line could not be written (full disk, file-size limit, I/O error);
  // called once per series of failures.
  virtual void LogWriteFailed(const std::string& reason) = 0;
  // Writing works again; `lostLines` lines of the failed series are missing.
  virtual void LogWriteResumed(std::int64_t lostLines) { (void)lostLines; }
  // The file or its folder was deleted: the writer goes on in `newPath`,
  // which holds everything written before too.
  virtual void LogRecreated(const std::filesystem::path& newPath) { (void)newPath; }
  // The file was deleted, and making it anew failed; tried again later.
  virtual void LogRecreateFailed(const std::string& reason) { (void)reason; }
  // The file is complete and closed (or deleted); `lostLines` lines of the
  // run could not be written.
  virtual void LogFinished(const std::filesystem::path& path, std::int64_t lostLines) {
    (void)path;
    (void)lostLines;
  }
};

// Writes one run's log file on a thread of its own, so that neither the reader
// nor the window ever waits on a disk. Each line goes to the kernel as soon as
// it is taken, whole or not at all; the file is flushed to the disk at most once
// a second while lines come, and at the end. Every second the writer checks
// that the file is still there, and makes it anew when it was deleted.
class LogWriter {
 public:
  static constexpr std::chrono::milliseconds kSyncInterval{1000};
  static constexpr std::chrono::milliseconds kCheckInterval{1000};
  // Lines waiting for a stalled disk beyond this are counted as lost, so that
  // memory stays bounded.
  static constexpr std::size_t kMaxQueuedLines = 1000000;

  LogWriter(LogFile file, LogListener& listener);
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

 private:
  void WriterLoop();
  void WriteBatch(const std::vector<std::string>& batch);
  void WriteLine(const std::string& line);
  void CheckFile();

  LogListener& listener;
  LogFile file;  // writer thread only, once it runs

  mutable std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::string> queue;
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
  bool failing = false;
  bool recreateFailing = false;
  bool unsynced = false;
  std::chrono::steady_clock::time_point lastSync;
  std::chrono::steady_clock::time_point lastCheck;

  std::thread writerThread;
};

#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bytesource.h"
#include "localtime.h"
#include "logwriter.h"

// A line as the reader completed it: the stamped line (CR LF included) and the
// moment its LF arrived, which the statistics count it at.
struct CompletedLine {
  std::string stamped;
  LocalTime completedAt;
  std::int64_t elapsedMs = 0;  // `completedAt` on the clock's jump-free scale
};

// What the reader thread tells its owner. Called on the reader thread: an
// implementation hands the news over to its own thread.
class ReaderListener {
 public:
  virtual ~ReaderListener() = default;
  // Lines wait in TakeLines(); called when the first one arrives after a take.
  virtual void LinesReady() = 0;
  virtual void LineLost(const std::string& reason) = 0;
  // The line is back; `deviceChange` says what changed when another device
  // answers under its name now (empty when it is the same one).
  virtual void LineBack(const std::string& deviceChange) = 0;
};

// The reader thread of one reading run: reads the source, frames lines, gives
// each record line to the log writer at once and hands the line over to the
// owner. A line cut by a lost line is dropped, as at Stop.
class ReadingRun {
 public:
  // The reader pauses (the line's own buffers hold the bytes) while this many
  // lines wait untaken, so memory stays bounded whatever the line brings.
  static constexpr std::size_t kMaxPendingLines = 100000;

  ReadingRun(ByteSource& source, LogWriter& log, const Clock& clock, ReaderListener& listener);
  ~ReadingRun();
  ReadingRun(const ReadingRun&) = delete;
  ReadingRun& operator=(const ReadingRun&) = delete;

  void Start();
  // Ends the reader at once, even in a blocked read: after Stop returns no
  // byte is read, logged or handed over, and a partly received line is dropped.
  void Stop();

  // The lines completed since the last take, oldest first.
  std::vector<CompletedLine> TakeLines();
  // As TakeLines, but never waits: false (and nothing taken) while the reader
  // is handing lines over, so that a window's thread never blocks on it.
  bool TryTakeLines(std::vector<CompletedLine>& lines);

 private:
  void ReaderLoop();
  // Hands over the lines of one read at a time: one lock, one wake-up.
  void HandOver(std::vector<CompletedLine>& lines);

  ByteSource& source;
  LogWriter& log;
  const Clock& clock;
  ReaderListener& listener;
  std::thread readerThread;
  std::atomic<bool> stopRequested{false};

  std::mutex pendingMutex;
  std::condition_variable pendingTaken;
  std::vector<CompletedLine> pending;
};

#include "readingrun.h"

#include <array>
#include <iterator>

#include "lineframer.h"

ReadingRun::ReadingRun(ByteSource& lineSource, LogWriter& logFile, const Clock& timeSource,
                       ReaderListener& owner)
    : source(lineSource), log(logFile), clock(timeSource), listener(owner) {}

ReadingRun::~ReadingRun() { Stop(); }

void ReadingRun::Start() {
  readerThread = std::thread([this] { ReaderLoop(); });
}

void ReadingRun::Stop() {
  {
    std::lock_guard lock(pendingMutex);
    stopRequested = true;
  }
  pendingTaken.notify_all();
  source.Interrupt();
  if (readerThread.joinable()) readerThread.join();
}

std::vector<CompletedLine> ReadingRun::TakeLines() {
  std::vector<CompletedLine> taken;
  {
    std::lock_guard lock(pendingMutex);
    taken.swap(pending);
  }
  pendingTaken.notify_all();
  return taken;
}

bool ReadingRun::TryTakeLines(std::vector<CompletedLine>& lines) {
  {
    std::unique_lock lock(pendingMutex, std::try_to_lock);
    if (!lock.owns_lock()) return false;
    lines.clear();
    lines.swap(pending);
  }
  pendingTaken.notify_all();
  return true;
}

void ReadingRun::HandOver(std::vector<CompletedLine>& lines) {
  if (lines.empty()) return;
  bool first;
  {
    std::unique_lock lock(pendingMutex);
    pendingTaken.wait(lock, [&] { return pending.size() < kMaxPendingLines || stopRequested; });
    first = pending.empty();
    if (first) {
      pending.swap(lines);
    } else {
      pending.insert(pending.end(), std::make_move_iterator(lines.begin()),
                     std::make_move_iterator(lines.end()));
    }
  }
  lines.clear();
  if (first) listener.LinesReady();
}

void ReadingRun::ReaderLoop() {
  LineFramer framer;
  std::array<std::uint8_t, 256> buffer{};
  std::vector<CompletedLine> completed;
  std::vector<std::string> logLines;
  while (!stopRequested) {
    const ReadResult result = source.Read(buffer);
    if (result.status == ReadResult::Status::kLineLost) {
      // The line being received is cut: whatever comes after the line is
      // back starts a line of its own.
      framer.Reset();
      listener.LineLost(result.error);
      // Reconnect waits a read time-out per try, so a dead line costs one
      // wake-up per try instead of a busy loop.
      while (!stopRequested) {
        if (source.Reconnect()) {
          // Said in the log too, as a line the graphs skip, so that a log
          // that mixes two receivers shows where.
          const std::string change = source.TakeDeviceChange();
          if (!change.empty()) log.Append("Device changed: " + change + "\r\n");
          listener.LineBack(change);
          break;
        }
      }
      continue;
    }
    if (result.status != ReadResult::Status::kData) continue;
    for (std::size_t i = 0; i < result.count && !stopRequested; ++i) {
      if (!framer.Feed(buffer[i], clock)) continue;
      CompletedLine line{framer.Line(), clock.Now()};
      line.elapsedMs = clock.ElapsedMs(line.completedAt);
      logLines.push_back(FormatLogLine(line.stamped));
      completed.push_back(std::move(line));
    }
    // The log first, then the owner: a line is never shown before it is logged.
    log.Append(logLines);
    HandOver(completed);
  }
}

#include "logwriter.h"

#include <algorithm>
#include <utility>
#include <vector>

LogWriter::LogWriter(LogFile logFile, LogListener& owner)
    : listener(owner),
      file(std::move(logFile)),
      currentPath(file.Path()),
      lastSync(std::chrono::steady_clock::now()),
      lastCheck(lastSync),
      writerThread([this] { WriterLoop(); }) {}

LogWriter::~LogWriter() {
  {
    std::lock_guard lock(mutex);
    finishRequested = true;
  }
  changed.notify_all();
  if (writerThread.joinable()) writerThread.join();
}

void LogWriter::Append(std::string line) {
  std::vector<std::string> lines;
  lines.push_back(std::move(line));
  Append(lines);
}

void LogWriter::Append(std::vector<std::string>& lines) {
  if (lines.empty()) return;
  {
    std::lock_guard lock(mutex);
    for (std::string& line : lines) {
      if (finishRequested) break;
      if (queue.size() >= kMaxQueuedLines) {
        ++droppedWhileQueued;
        ++handled;
      } else {
        queue.push_back(std::move(line));
      }
    }
  }
  lines.clear();
  changed.notify_all();
}

void LogWriter::Finish(std::string tail, bool keep) {
  {
    std::lock_guard lock(mutex);
    if (finishRequested) return;
    finishRequested = true;
    keepFile = keep;
    finalTail = std::move(tail);
  }
  changed.notify_all();
}

bool LogWriter::WaitFinished(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex);
  return changed.wait_for(lock, timeout, [&] { return finished; });
}

bool LogWriter::WaitWritten(std::uint64_t lines, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex);
  return changed.wait_for(lock, timeout, [&] { return handled >= lines || finished; });
}

std::filesystem::path LogWriter::Path() const {
  std::lock_guard lock(mutex);
  return currentPath;
}

std::int64_t LogWriter::LostLines() const {
  std::lock_guard lock(mutex);
  return lostLines + droppedWhileQueued;
}

void LogWriter::WriterLoop() {
  using Steady = std::chrono::steady_clock;
  std::vector<std::string> batch;
  for (;;) {
    bool finishing = false;
    {
      std::unique_lock lock(mutex);
      // Wake for lines, for the end, for the next flush and the next check.
      Steady::time_point wake = lastCheck + kCheckInterval;
      if (unsynced) wake = std::min(wake, lastSync + kSyncInterval);
      changed.wait_until(lock, wake, [&] { return !queue.empty() || finishRequested; });
      batch.assign(std::make_move_iterator(queue.begin()), std::make_move_iterator(queue.end()));
      queue.clear();
      finishing = finishRequested;
    }
    WriteBatch(batch);
    {
      std::lock_guard lock(mutex);
      handled += batch.size();
    }
    changed.notify_all();
    batch.clear();

    const Steady::time_point now = Steady::now();
    if (now - lastCheck >= kCheckInterval || finishing) CheckFile();
    if (unsynced && (now - lastSync >= kSyncInterval || finishing)) {
      file.Sync();
      unsynced = false;
      lastSync = now;
    }
    if (!finishing) continue;

    bool keep;
    std::string tail;
    {
      std::lock_guard lock(mutex);
      // Lines queued while the last batch was written come before the end.
      if (!queue.empty()) continue;
      keep = keepFile;
      tail = std::move(finalTail);
    }
    if (keep) {
      if (!tail.empty() && !file.Append(tail) && !failing)
        listener.LogWriteFailed(file.LastError());
      file.Sync();
      file.Close();
    } else {
      file.Delete();
    }
    std::filesystem::path path;
    std::int64_t lost;
    {
      std::lock_guard lock(mutex);
      path = currentPath;
      lost = lostLines + droppedWhileQueued;
    }
    listener.LogFinished(path, lost);
    {
      std::lock_guard lock(mutex);
      finished = true;
    }
    changed.notify_all();
    return;
  }
}

void LogWriter::WriteBatch(const std::vector<std::string>& batch) {
  // A flood comes in many lines at a time: one write for all of them, and
  // line by line only when that fails, to keep every whole line that fits.
  if (batch.size() > 1 && !failing) {
    std::string joined;
    for (const std::string& line : batch) joined += line;
    if (file.Append(joined)) {
      unsynced = true;
      return;
    }
  }
  for (const std::string& line : batch) WriteLine(line);
}

void LogWriter::WriteLine(const std::string& line) {
  if (file.Append(line)) {
    unsynced = true;
    if (failing) {
      failing = false;
      listener.LogWriteResumed(std::exchange(lostInSeries, 0));
    }
    return;
  }
  {
    std::lock_guard lock(mutex);
    ++lostLines;
  }
  ++lostInSeries;
  if (!failing) {
    failing = true;
    listener.LogWriteFailed(file.LastError());
  }
}

void LogWriter::CheckFile() {
  lastCheck = std::chrono::steady_clock::now();
  if (!file.IsOpen() || !file.IsGone()) return;
  std::string error;
  if (!file.Recreate(error)) {
    // Said once; tried again at the next check.
    if (!recreateFailing) listener.LogRecreateFailed(error);
    recreateFailing = true;
    return;
  }
  recreateFailing = false;
  {
    std::lock_guard lock(mutex);
    currentPath = file.Path();
  }
  listener.LogRecreated(file.Path());
}

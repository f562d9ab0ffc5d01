#include "logwriter.h"

#include <algorithm>
#include <utility>
#include <vector>

LogWriter::LogWriter(LogFile logFile, LogListener& owner,
                     std::vector<std::filesystem::path> fallbacks)
    : listener(owner),
      file(std::move(logFile)),
      fallbackFolders(std::move(fallbacks)),
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
      ++appended;
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

std::uint64_t LogWriter::Unwritten() const {
  std::lock_guard lock(mutex);
  return appended - handled;
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
      // From the finishing pass on, failures go into the end report: the run
      // has ended, and "reading goes on" would not be true.
      if (finishing) ending = true;
      discarding = finishing && !keepFile;
    }
    WriteBatch(batch);
    {
      std::lock_guard lock(mutex);
      handled += batch.size();
    }
    changed.notify_all();
    batch.clear();

    const Steady::time_point now = Steady::now();
    // A file about to be deleted is not copied first.
    if ((now - lastCheck >= kCheckInterval || finishing) && !discarding) CheckFile();
    if (unsynced && (now - lastSync >= kSyncInterval || finishing)) SyncFile();
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
    LogOutcome outcome = Complete(keep, tail);
    {
      std::lock_guard lock(mutex);
      currentPath = outcome.path;
      outcome.lostLines = lostLines + droppedWhileQueued;
    }
    outcome.unsureLines = unsureLines;
    if (outcome.problem.empty() && (outcome.lostLines > 0 || outcome.unsureLines > 0)) {
      // Lines dropped while a stalled disk took nothing leave no error of their own.
      outcome.problem =
          lastFailure.empty() ? "the disk did not take the lines in time" : lastFailure;
    }
    listener.LogFinished(outcome);
    {
      std::lock_guard lock(mutex);
      finished = true;
    }
    changed.notify_all();
    return;
  }
}

LogOutcome LogWriter::Complete(bool keep, const std::string& tail) {
  LogOutcome outcome;
  outcome.kept = keep;
  if (!keep) {
    file.Delete();
    return outcome;
  }
  outcome.path = file.Path();
  if (file.IsGone()) RescueDeletedFile(outcome);
  if (!file.IsOpen()) return outcome;
  const std::int64_t linesBefore = file.Lines();
  if (!tail.empty() && !file.Append(tail)) {
    outcome.ended = false;
    if (outcome.problem.empty()) outcome.problem = file.LastError();
  }
  linesSinceSync += file.Lines() - linesBefore;
  SyncFile();
  if (!file.Close()) {
    // Where a network share reports its write errors: what the last flush
    // did not confirm may be missing.
    unsureLines += std::exchange(linesSinceSync, 0);
    if (outcome.problem.empty()) outcome.problem = file.LastError();
  }
  if (syncFailing && outcome.problem.empty()) outcome.problem = lastFailure;
  return outcome;
}

void LogWriter::RescueDeletedFile(LogOutcome& outcome) {
  std::string error;
  std::int64_t missing = 0;
  bool made = file.Recreate(error, missing);
  for (std::size_t i = 0; !made && i < fallbackFolders.size(); ++i) {
    std::string ignored;
    made = file.Recreate(ignored, missing, fallbackFolders[i]);
    outcome.inFallback = made;
  }
  if (made) {
    {
      std::lock_guard lock(mutex);
      lostLines += missing;
    }
    if (missing > 0) lastFailure = file.LastError();
    // The copy is the only one now: it goes to the disk with the end.
    linesSinceSync = file.Lines();
    outcome.path = file.Path();
    if (outcome.inFallback) outcome.problem = error;
    return;
  }
  // Nowhere to keep them: the run's lines are lost, and said so.
  {
    std::lock_guard lock(mutex);
    lostLines += file.Lines();
  }
  outcome.problem = error;
  outcome.path.clear();
  outcome.ended = false;
  file.Close();
}

void LogWriter::SyncFile() {
  unsynced = false;
  lastSync = std::chrono::steady_clock::now();
  if (file.Sync()) {
    linesSinceSync = 0;
    syncFailing = false;
    return;
  }
  // The kernel may have dropped what it could not write: those lines are
  // counted as not confirmed, and the failure is said once per series.
  unsureLines += std::exchange(linesSinceSync, 0);
  lastFailure = file.LastError();
  if (!syncFailing && !ending) listener.LogWriteFailed(file.LastError());
  syncFailing = true;
}

void LogWriter::WriteBatch(const std::vector<std::string>& batch) {
  // A flood comes in many lines at a time: one write for all of them, and
  // line by line only when that fails, to keep every whole line that fits.
  if (batch.size() > 1 && !failing) {
    std::string joined;
    for (const std::string& line : batch) joined += line;
    if (file.Append(joined)) {
      unsynced = true;
      linesSinceSync += static_cast<std::int64_t>(batch.size());
      return;
    }
  }
  for (const std::string& line : batch) WriteLine(line);
}

void LogWriter::WriteLine(const std::string& line) {
  if (file.Append(line)) {
    unsynced = true;
    ++linesSinceSync;
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
  lastFailure = file.LastError();
  if (!failing) {
    failing = true;
    if (!ending) listener.LogWriteFailed(file.LastError());
  }
}

void LogWriter::CheckFile() {
  lastCheck = std::chrono::steady_clock::now();
  if (!file.IsOpen() || !file.IsGone()) return;
  std::string error;
  std::int64_t missing = 0;
  if (!file.Recreate(error, missing)) {
    // Said once; tried again at the next check.
    if (!recreateFailing) listener.LogRecreateFailed(error);
    recreateFailing = true;
    return;
  }
  recreateFailing = false;
  {
    std::lock_guard lock(mutex);
    currentPath = file.Path();
    lostLines += missing;
  }
  if (missing > 0) lastFailure = file.LastError();
  // The copy is the run's only one now: on the disk within a second too.
  unsynced = true;
  linesSinceSync = file.Lines();
  listener.LogRecreated(file.Path(), missing, missing > 0 ? file.LastError() : std::string());
}

#include "readingsession.h"

#include <algorithm>
#include <optional>
#include <system_error>
#include <vector>

#include "boundedcall.h"

ReadingSession::ReadingSession(const Clock& timeSource, SlotControls& slotControls,
                               ReadingEvents& frontEnd)
    : presenter(slotControls), clock(timeSource), events(frontEnd) {}

ReadingSession::~ReadingSession() {
  // A reading still running ends as a kept Stop; the writers' destructors wait
  // for their files.
  if (IsReading()) {
    Halt();
    Finish(true);
  }
}

ReadingSession::StartResult ReadingSession::Start(const std::string& devicePath) {
  return StartOn(&devicePath, nullptr);
}

ReadingSession::StartResult ReadingSession::Start(ByteSource& source) {
  return StartOn(nullptr, &source);
}

ReadingSession::StartResult ReadingSession::StartOn(const std::string* devicePath,
                                                    ByteSource* source) {
  events.ClearMonitor();
  lastError.clear();
  // Files of earlier runs that are complete need no watching any more.
  std::erase_if(finishingLogs, [](const auto& log) { return log->WaitFinished({}); });
  struct Creation {
    std::optional<LogFile> file;
    std::string error;
  };
  std::optional<Creation> creation;
  try {
    creation = CallWithin<Creation>(
        logCreateTimeout,
        [folder = logDir, start = clock.Now(), calls = logCalls] {
          Creation made;
          made.file = LogFile::Create(folder, start, made.error, *calls);
          return made;
        },
        // Made after the start gave up on it: an empty file nobody wants.
        [](Creation& late) {
          if (late.file) late.file->Delete();
        });
  } catch (const std::system_error& error) {
    lastError = std::string("cannot start the reader: ") + error.what();
    return StartResult::kThreadFailed;
  }
  if (!creation) {
    lastError = "the log folder " + logDir.string() + " does not answer (a hung network share?)";
    return StartResult::kLogFolderHung;
  }
  std::optional<LogFile>& created = creation->file;
  if (!created) {
    lastError = creation->error;
    return StartResult::kLogFailed;
  }
  logPath = created->Path();

  if (devicePath != nullptr) {
    if (!port.Open(*devicePath) || !port.IsOpen()) {
      lastError = port.LastError();
      // The empty file of the attempt stays on disk, closed.
      created->Close();
      logPath.clear();
      port.Close();
      return StartResult::kPortFailed;
    }
    source = &port;
  }
  reading = source;
  constexpr std::string_view kStart = "Start\r\n";
  try {
    logWriter = std::make_unique<LogWriter>(std::move(*created), events, logFallbackFolders);
    logWriter->Append(std::string(kStart));
    events.AppendMonitor(kStart);
    lineCounter = 0;
    run = std::make_unique<ReadingRun>(*source, *logWriter, clock, events);
    const LocalTime now = clock.Now();
    for (ReceptionListener* listener : listeners)
      listener->RunStarted(logPath, clock.ElapsedMs(now));
    run->Start();
  } catch (const std::system_error& error) {
    lastError = std::string("cannot start the reader: ") + error.what();
    run.reset();
    port.Close();
    if (logWriter) logWriter->Finish({}, true);
    logWriter.reset();
    logPath.clear();
    return StartResult::kThreadFailed;
  }
  return StartResult::kStarted;
}

bool ReadingSession::DrainLines(std::chrono::steady_clock::duration budget) {
  if (!run) return false;
  using Steady = std::chrono::steady_clock;
  const Steady::time_point start = Steady::now();
  const bool bounded = budget < Steady::time_point::max() - start;
  const Steady::time_point deadline = bounded ? start + budget : Steady::time_point::max();
  for (;;) {
    if (backlogNext == backlog.size()) {
      backlogNext = 0;
      if (!bounded) {
        backlog = run->TakeLines();
      } else if (!run->TryTakeLines(backlog)) {
        // The reader is handing lines over this instant: a bounded caller
        // (a window) tries again soon rather than wait for it.
        backlog.clear();
        return true;
      }
      if (backlog.empty()) return false;
    }
    while (backlogNext < backlog.size()) {
      const CompletedLine& line = backlog[backlogNext++];
      const std::string_view stamped = line.stamped;
      // The record is the line without its last two bytes, normally CR LF.
      const std::string_view record =
          stamped.substr(0, stamped.size() >= 2 ? stamped.size() - 2 : 0);
      Reception reception{stamped, recordlayout::DecodeStamped(record), line.completedAt,
                          line.elapsedMs};
      reception.countedSlots =
          presenter.Count(statistics, record, reception.decoded, line.completedAt, line.elapsedMs);
      for (ReceptionListener* listener : listeners) listener->Received(reception);
      if (reception.countedSlots != 0) events.Counted(reception.countedSlots);
      events.AppendMonitor(stamped);
      if (++lineCounter == kMonitorLines) {
        lineCounter = 0;
        events.ClearMonitor();
      }
      if (Steady::now() >= deadline) return true;
    }
  }
}

void ReadingSession::Halt() {
  if (!run) return;
  run->Stop();
  // The serial line is purged and let go; another source is the caller's.
  if (reading == &port) {
    port.PurgeReceive();
    port.Close();
  }
  DrainLines();
}

void ReadingSession::Finish(bool keep) {
  if (run) {
    std::string tail = "End";
    if (keep) tail += FormatSummary(statistics);
    logWriter->Finish(std::move(tail), keep);
    finishingLogs.push_back(std::move(logWriter));
    run.reset();
    for (ReceptionListener* listener : listeners) listener->RunEnded();
  }
  backlog.clear();
  backlogNext = 0;
  logPath.clear();
  presenter.StampStopTime(clock.Now());
}

void ReadingSession::LogMoved(const std::filesystem::path& newPath) {
  if (!run) return;
  logPath = newPath;
  for (ReceptionListener* listener : listeners) listener->LogMoved(newPath);
}

bool ReadingSession::WaitForLogs(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (const auto& log : finishingLogs) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (!log->WaitFinished(std::max(left, std::chrono::milliseconds(0)))) return false;
  }
  return true;
}

std::uint64_t ReadingSession::UnwrittenLogLines() const {
  std::uint64_t lines = 0;
  for (const auto& log : finishingLogs) lines += log->Unwritten();
  return lines;
}

std::filesystem::path ReadingSession::FinishingLogPath() const {
  return finishingLogs.empty() ? std::filesystem::path() : finishingLogs.back()->Path();
}

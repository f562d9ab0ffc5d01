#include "readingsession.h"

#include <system_error>
#include <vector>

ReadingSession::ReadingSession(const Clock& timeSource, SlotControls& slotControls,
                               ReadingEvents& frontEnd)
    : clock(timeSource), controls(slotControls), events(frontEnd) {}

ReadingSession::~ReadingSession() { Abandon(); }

ReadingSession::StartResult ReadingSession::Start(const std::string& devicePath) {
  events.ClearMonitor();
  lastError.clear();
  std::optional<LogFile> created = LogFile::Create(logDir, clock.Now(), lastError);
  if (!created) return StartResult::kLogFailed;
  logFile = std::move(*created);
  logPath = logFile.Path();

  const int opened = devicePath.empty() ? port.Open(portNumber) : port.OpenDevice(devicePath);
  if (!opened || !port.IsOpen()) {
    lastError = port.LastError();
    // The empty file of the attempt stays on disk, closed.
    logFile.Close();
    logPath.clear();
    port.Close();
    return StartResult::kPortFailed;
  }
  constexpr std::string_view kStart = "Start\r\n";
  if (!logFile.Append(kStart)) events.LogWriteFailed(logFile.FirstError());
  events.AppendMonitor(kStart);
  lineCounter = 0;
  run = std::make_unique<ReadingRun>(port, logFile, clock, events);
  try {
    run->Start();
  } catch (const std::system_error& error) {
    lastError = std::string("cannot start the reader: ") + error.what();
    run.reset();
    port.Close();
    logFile.Close();
    logPath.clear();
    return StartResult::kThreadFailed;
  }
  return StartResult::kStarted;
}

bool ReadingSession::DrainLines(std::chrono::steady_clock::duration budget) {
  if (!run) return false;
  using Steady = std::chrono::steady_clock;
  const Steady::time_point start = Steady::now();
  const Steady::time_point deadline =
      budget >= Steady::time_point::max() - start ? Steady::time_point::max() : start + budget;
  for (;;) {
    if (backlogNext == backlog.size()) {
      backlog = run->TakeLines();
      backlogNext = 0;
      if (backlog.empty()) return false;
    }
    while (backlogNext < backlog.size()) {
      const CompletedLine& line = backlog[backlogNext++];
      const std::string_view stamped = line.stamped;
      // The record is the line without its last two bytes, normally CR LF.
      const std::string_view record = stamped.substr(0, stamped.size() >= 2 ? stamped.size() - 2 : 0);
      const unsigned counted = statistics.ProcessRecord(record, line.completedAt, controls);
      if (counted != 0) events.Counted(counted);
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
  port.PurgeReceive();
  port.Close();
  DrainLines();
}

void ReadingSession::Finish(bool keep) {
  if (run) {
    logFile.Append("End");
    if (keep) {
      logFile.Append(FormatSummary(statistics));
      logFile.Close();
    } else {
      logFile.Delete();
    }
    run.reset();
  }
  backlog.clear();
  backlogNext = 0;
  logPath.clear();
  statistics.StampStopTime(clock.Now(), controls);
}

void ReadingSession::Abandon() {
  if (!run) return;
  run->Stop();
  port.Close();
  run.reset();
  backlog.clear();
  backlogNext = 0;
  logFile.Close();
  logPath.clear();
}

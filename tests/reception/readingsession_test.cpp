#include "readingsession.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <future>
#include <mutex>
#include <regex>
#include <thread>

#include "../serial/ptypair.h"
#include "faultydisk.h"
#include "readerdoubles.h"
#include "stalleddisk.h"
#include "tempdir.h"
#include "testdoubles.h"

namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

// A summary row of two slots that counted nothing.
std::string PaddedRow(int i) {
  return (i < 10 ? "0" : "") + std::to_string(i) + "  0       0       \r\n";
}

// The monitor as a front end would show it, and the reader's news.
class RecordingEvents final : public ReadingEvents {
 public:
  explicit RecordingEvents(Signal& signal) : events(signal) {}

  void ClearMonitor() override {
    monitor.clear();
    ++clears;
  }
  void AppendMonitor(std::string_view line) override {
    monitor += line;
    ++appended;
  }
  void Counted(unsigned slots) override { counted |= slots; }
  void LinesReady() override {
    ready = true;
    events.Notify();
  }
  void LineLost(const std::string&) override {}
  void LineBack(const std::string&) override {}
  void LogWriteFailed(const std::string&) override { ++writeFailures; }
  void LogWriteResumed(std::int64_t lostLines) override { resumedAfter = lostLines; }
  void LogRecreated(const std::filesystem::path&, std::int64_t missing,
                    const std::string&) override {
    recreatedMissing = missing;
    ++recreated;
    events.Notify();
  }
  void LogFinished(const LogOutcome& ending) override {
    outcome = ending;
    finishedLost = ending.lostLines;
  }

  std::string monitor;
  int clears = 0;
  int appended = 0;
  unsigned counted = 0;
  std::atomic<bool> ready{false};
  std::atomic<int> writeFailures{0};
  std::atomic<std::int64_t> resumedAfter{-1};
  std::atomic<int> recreated{0};
  std::atomic<std::int64_t> finishedLost{-1};
  std::atomic<std::int64_t> recreatedMissing{-1};
  LogOutcome outcome;  // read after WaitForLogs

 private:
  Signal& events;
};

class ReadingSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.IsOpen());
    session.logDir = dir.path;
    slots.number[0] = "1234";
    slots.number[1] = "1111";
  }

  // Drains the reader until the monitor has had `count` lines after "Start"
  // (`appended` counted from before Start).
  bool DrainUntil(int count) {
    return signal.WaitFor(
        [&] {
          events.ready = false;
          session.DrainLines();
          return events.appended - 1 >= count;
        },
        10s);
  }

  std::string Lines(int count, std::string_view line) {
    std::string lines;
    for (int i = 0; i < count; ++i) lines += line;
    return lines;
  }

  TempDir dir;
  PtyPair pty;
  ScriptedClock clock{{ScriptedClock::Day(9, 7, 5, 42)}};
  FakeSlots slots;
  Signal signal;
  RecordingEvents events{signal};
  ReadingSession session{clock, slots, events};
};

TEST_F(ReadingSessionTest, KeptRunHasStartRecordLinesEndAndTheSummary) {
  ASSERT_EQ(session.Start(pty.slavePath), ReadingSession::StartResult::kStarted)
      << session.LastError();
  EXPECT_TRUE(session.IsReading());
  const std::filesystem::path path = session.logPath;
  EXPECT_EQ(path, dir / "2026.12.08_09-07-05.txt");
  ASSERT_TRUE(pty.Send("P12345678\r\nQ0\r\nP11112222\r\n"));
  ASSERT_TRUE(DrainUntil(3));
  EXPECT_EQ(events.monitor,
            "Start\r\n09:07:05:042 P12345678\r\n09:07:05:042 Q0\r\n"
            "09:07:05:042 P11112222\r\n");
  EXPECT_EQ(events.counted, 3u);
  EXPECT_EQ(slots.lastLine[1], "09:07:05:042 P11112222");

  clock.Set(ScriptedClock::Day(9, 30, 0));
  session.Halt();
  session.Finish(true);
  ASSERT_TRUE(session.WaitForLogs(10s));
  EXPECT_FALSE(session.IsReading());
  EXPECT_TRUE(session.logPath.empty());

  std::string expected =
      "Start\r\n"
      "09 : 07 : 05 : 042 P 1234  5 678\n"
      "09 : 07 : 05 : 042 Q 0\r\n\0  \0 \0\0\0\n"s
      "09 : 07 : 05 : 042 P 1111  2 222\n"
      "End\r\n    1234    1111    \r\n"
      "00  1       1       \r\n";
  for (int i = 1; i <= 60; ++i) expected += PaddedRow(i);
  EXPECT_EQ(ReadFile(path), expected);
  // The stop time is stamped into the column boxes.
  EXPECT_EQ(slots.column[0].substr(17, 8), "09:30:00");
}

TEST_F(ReadingSessionTest, RunsOnACallersByteSourceAndLeavesItOpen) {
  // The caller's source: a line it opened itself, counted as the reader reads it.
  SerialPort line;
  ASSERT_NE(line.Open(pty.slavePath), 0) << line.LastError();
  CountingSource source(line, signal);
  ASSERT_EQ(session.Start(source), ReadingSession::StartResult::kStarted) << session.LastError();
  ASSERT_TRUE(pty.Send("P12345678\r\n"));
  ASSERT_TRUE(DrainUntil(1));
  EXPECT_EQ(events.monitor, "Start\r\n09:07:05:042 P12345678\r\n");
  session.Halt();
  session.Finish(true);
  ASSERT_TRUE(session.WaitForLogs(10s));
  EXPECT_GT(source.bytes.load(), 0u);
  // Still the caller's, still open.
  EXPECT_EQ(line.IsOpen(), 1);
  EXPECT_EQ(session.port.IsOpen(), 0);
}

TEST_F(ReadingSessionTest, KeptRunWithoutPRecordsEndsWithCrLfAndFourSpaces) {
  ASSERT_EQ(session.Start(pty.slavePath), ReadingSession::StartResult::kStarted);
  const std::filesystem::path path = session.logPath;
  ASSERT_TRUE(pty.Send("X12345678\r\n"));
  ASSERT_TRUE(DrainUntil(1));
  session.Halt();
  session.Finish(true);
  ASSERT_TRUE(session.WaitForLogs(10s));
  EXPECT_EQ(ReadFile(path), "Start\r\n09 : 07 : 05 : 042 X 1234  5 678\nEnd\r\n    ");
  EXPECT_EQ(slots.column[0], "");
}

TEST_F(ReadingSessionTest, DiscardedRunLeavesNoFile) {
  ASSERT_EQ(session.Start(pty.slavePath), ReadingSession::StartResult::kStarted);
  ASSERT_TRUE(pty.Send("P12345678\r\n"));
  ASSERT_TRUE(DrainUntil(1));
  session.Halt();
  session.Finish(false);
  ASSERT_TRUE(session.WaitForLogs(10s));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path));
  EXPECT_EQ(slots.column[0].substr(17, 8), "09:07:05");
}

TEST_F(ReadingSessionTest, MonitorIsEmptiedAfterEvery300Lines) {
  ASSERT_EQ(session.Start(pty.slavePath), ReadingSession::StartResult::kStarted);
  std::string lines;
  for (int i = 1; i <= 301; ++i) {
    lines += 'P';
    lines += std::to_string(10000000 + i);
    lines += "\r\n";
  }
  ASSERT_TRUE(pty.Send(lines));
  ASSERT_TRUE(DrainUntil(301));
  // One clear at Start, one after the 300th line; the 301st is at the top.
  EXPECT_EQ(events.clears, 2);
  EXPECT_EQ(events.monitor, "09:07:05:042 P10000301\r\n");
  session.Halt();
  session.Finish(false);
  ASSERT_TRUE(session.WaitForLogs(10s));
}

TEST_F(ReadingSessionTest, EveryLineLoggedBeforeStopIsInTheSummary) {
  ASSERT_EQ(session.Start(pty.slavePath), ReadingSession::StartResult::kStarted);
  const std::filesystem::path path = session.logPath;
  ASSERT_TRUE(pty.Send(Lines(200, "P12345678\r\n")));
  ASSERT_TRUE(signal.WaitFor([&] { return events.ready.load(); }));
  session.Halt();  // without draining first
  session.Finish(true);
  ASSERT_TRUE(session.WaitForLogs(10s));
  const std::string logged = ReadFile(path);
  const std::size_t records = (logged.find("End") - 7) / 33;
  ASSERT_GE(records, 1u);
  EXPECT_NE(logged.find("\r\n00  " + std::to_string(records) + " "), std::string::npos);
  EXPECT_EQ(events.appended - 1, static_cast<int>(records));
}

TEST_F(ReadingSessionTest, FailedPortOpenLeavesTheEmptyLogClosedAndNothingRunning) {
  EXPECT_EQ(session.Start((dir / "no-such-tty").string()),
            ReadingSession::StartResult::kPortFailed);
  EXPECT_FALSE(session.IsReading());
  EXPECT_NE(session.LastError().find("no-such-tty"), std::string::npos) << session.LastError();
  const std::filesystem::path first = dir / "2026.12.08_09-07-05.txt";
  EXPECT_TRUE(std::filesystem::exists(first));
  EXPECT_EQ(std::filesystem::file_size(first), 0u);

  // A new Start within the same second gets a new name.
  ASSERT_EQ(session.Start(pty.slavePath), ReadingSession::StartResult::kStarted);
  EXPECT_EQ(session.logPath, dir / "2026.12.08_09-07-05_2.txt");
  session.Halt();
  session.Finish(true);
  ASSERT_TRUE(session.WaitForLogs(10s));
  EXPECT_EQ(std::filesystem::file_size(first), 0u);
}

TEST_F(ReadingSessionTest, BusyPortFailsToStart) {
  SerialPort holder;
  ASSERT_NE(holder.Open(pty.slavePath), 0);
  EXPECT_EQ(session.Start(pty.slavePath), ReadingSession::StartResult::kPortFailed);
  EXPECT_FALSE(session.IsReading());
}

TEST_F(ReadingSessionTest, MissingLogDirectoryIsAClearError) {
  session.logDir = dir / "missing";
  EXPECT_EQ(session.Start(pty.slavePath), ReadingSession::StartResult::kLogFailed);
  EXPECT_FALSE(session.IsReading());
  EXPECT_NE(session.LastError().find((dir / "missing").string()), std::string::npos);
  // The line is not held by a run that never started.
  SerialPort other;
  EXPECT_NE(other.Open(pty.slavePath), 0) << other.LastError();
}

// The front end resets the statistics at Start, as the window does.
TEST_F(ReadingSessionTest, SecondRunInOneSessionReadsAndCountsAfresh) {
  ASSERT_EQ(session.Start(pty.slavePath), ReadingSession::StartResult::kStarted);
  ASSERT_TRUE(pty.Send(Lines(3, "P12345678\r\n")));
  ASSERT_TRUE(DrainUntil(3));
  session.Halt();
  session.Finish(true);
  ASSERT_TRUE(session.WaitForLogs(10s));
  EXPECT_EQ(session.statistics.gapCount[0][0], 3);

  clock.Set(ScriptedClock::Day(9, 8, 0, 0));
  session.statistics.ResetStatistics();
  events.appended = 0;
  ASSERT_EQ(session.Start(pty.slavePath), ReadingSession::StartResult::kStarted);
  EXPECT_EQ(session.logPath, dir / "2026.12.08_09-08-00.txt");
  const std::filesystem::path path = session.logPath;
  ASSERT_TRUE(pty.Send("P12345678\r\n"));
  ASSERT_TRUE(DrainUntil(1));
  session.Halt();
  session.Finish(true);
  ASSERT_TRUE(session.WaitForLogs(10s));
  EXPECT_EQ(session.statistics.gapCount[0][0], 1);
  EXPECT_EQ(session.statistics.firstTime[0], (TimeOfDay{9, 8, 0}));
  EXPECT_NE(ReadFile(path).find("\r\n00  1       0       \r\n"), std::string::npos);
}

TEST_F(ReadingSessionTest, EndingTheSessionWhileReadingKeepsTheLogWithEnd) {
  std::filesystem::path path;
  {
    ReadingSession other{clock, slots, events};
    other.logDir = dir.path;
    ASSERT_EQ(other.Start(pty.slavePath), ReadingSession::StartResult::kStarted);
    path = other.logPath;
    ASSERT_TRUE(pty.Send("P12345678\r\n"));
    ASSERT_TRUE(signal.WaitFor([&] {
      other.DrainLines();
      return events.appended >= 2;
    }));
  }
  EXPECT_TRUE(ReadFile(path).starts_with(
      "Start\r\n09 : 07 : 05 : 042 P 1234  5 678\nEnd\r\n    1234    1111    \r\n00  1 "));
}

}  // namespace

namespace {

// The log file may grow no further than `bytes` while this lives (a full disk).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved);
    previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
  }

 private:
  rlimit saved{};
  void (*previousHandler)(int) = nullptr;
};

TEST_F(ReadingSessionTest, FullDiskLosesWholeLinesOnlyAndSaysHowManyWhenWritingWorksAgain) {
  ASSERT_EQ(session.Start(pty.slavePath), ReadingSession::StartResult::kStarted);
  const std::filesystem::path path = session.logPath;
  ASSERT_TRUE(pty.Send(Lines(3, "P12345678\r\n")));
  ASSERT_TRUE(DrainUntil(3));
  ASSERT_TRUE(session.Log()->WaitWritten(4, 10s));
  const std::string before = ReadFile(path);
  {
    // Room for a part of one line only: that part must not stay.
    FileSizeLimit full(std::filesystem::file_size(path) + 10);
    ASSERT_TRUE(pty.Send(Lines(5, "P12345678\r\n")));
    ASSERT_TRUE(DrainUntil(8));
    ASSERT_TRUE(session.Log()->WaitWritten(9, 10s));
    EXPECT_EQ(ReadFile(path), before);
  }
  EXPECT_EQ(events.writeFailures, 1);
  ASSERT_TRUE(pty.Send(Lines(2, "P12345678\r\n")));
  ASSERT_TRUE(DrainUntil(10));
  ASSERT_TRUE(session.Log()->WaitWritten(11, 10s));
  EXPECT_EQ(events.resumedAfter, 5);
  // Every line is still counted and shown; the file holds whole lines only.
  EXPECT_EQ(session.statistics.gapCount[0][0], 10);
  EXPECT_EQ(ReadFile(path), before + Lines(2, "09 : 07 : 05 : 042 P 1234  5 678\n"));
  EXPECT_EQ(before, "Start\r\n" + Lines(3, "09 : 07 : 05 : 042 P 1234  5 678\n"));
  session.Halt();
  session.Finish(true);
  ASSERT_TRUE(session.WaitForLogs(10s));
  EXPECT_EQ(events.finishedLost, 5);
  EXPECT_TRUE(ReadFile(path).starts_with(before + Lines(2, "09 : 07 : 05 : 042 P 1234  5 678\n") +
                                         "End\r\n    1234    1111    \r\n00  10"));
}

TEST_F(ReadingSessionTest, DeletedLogOrFolderIsMadeAnewWithEveryLine) {
  const std::filesystem::path folder = dir / "logs";
  std::filesystem::create_directory(folder);
  session.logDir = folder;
  ASSERT_EQ(session.Start(pty.slavePath), ReadingSession::StartResult::kStarted);
  const std::filesystem::path path = session.logPath;
  ASSERT_TRUE(pty.Send(Lines(2, "P12345678\r\n")));
  ASSERT_TRUE(DrainUntil(2));
  ASSERT_TRUE(session.Log()->WaitWritten(3, 10s));

  std::filesystem::remove(path);
  ASSERT_TRUE(pty.Send(Lines(1, "P11112222\r\n")));
  ASSERT_TRUE(signal.WaitFor([&] { return events.recreated >= 1; }, 10s));
  ASSERT_TRUE(DrainUntil(3));
  const std::string afterFile = "Start\r\n" + Lines(2, "09 : 07 : 05 : 042 P 1234  5 678\n") +
                                "09 : 07 : 05 : 042 P 1111  2 222\n";
  EXPECT_EQ(ReadFile(path), afterFile);

  // The whole folder goes: it is made again too.
  std::filesystem::remove_all(folder);
  ASSERT_TRUE(pty.Send(Lines(1, "P11112222\r\n")));
  ASSERT_TRUE(signal.WaitFor([&] { return events.recreated >= 2; }, 10s));
  ASSERT_TRUE(DrainUntil(4));
  session.Halt();
  session.Finish(true);
  ASSERT_TRUE(session.WaitForLogs(10s));
  EXPECT_TRUE(ReadFile(path).starts_with(afterFile + "09 : 07 : 05 : 042 P 1111  2 222\nEnd\r\n"));
  EXPECT_EQ(events.finishedLost, 0);
}

}  // namespace

namespace {

TEST_F(ReadingSessionTest, ABudgetedDrainTakesLinesInSlicesAndLosesNone) {
  ASSERT_EQ(session.Start(pty.slavePath), ReadingSession::StartResult::kStarted)
      << session.LastError();
  ASSERT_TRUE(pty.Send(Lines(50, "P12345678\r\n")));
  // With no time to spare every call handles one line and says more wait.
  int calls = 0;
  ASSERT_TRUE(signal.WaitFor(
      [&] {
        while (session.DrainLines(0s)) ++calls;
        return events.appended - 1 >= 50;
      },
      10s));
  EXPECT_GE(calls, 40);
  EXPECT_EQ(events.appended - 1, 50);
  // Lines taken but not handled yet are handled by Halt.
  ASSERT_TRUE(pty.Send(Lines(20, "P11112222\r\n")));
  // Logged by the reader: "Start" and 70 record lines of 33 bytes.
  ASSERT_TRUE(session.Log()->WaitWritten(71, 10s));
  ASSERT_EQ(std::filesystem::file_size(session.logPath), 7u + 70 * 33);
  // The reader hands lines over just after logging them: the first handed
  // over is taken, and one line of it handled.
  EXPECT_TRUE(signal.WaitFor([&] { return session.DrainLines(0s); }, 10s));
  session.Halt();
  EXPECT_EQ(events.appended - 1, 70);
  session.Finish(true);
  ASSERT_TRUE(session.WaitForLogs(10s));
}

}  // namespace

namespace {

TEST_F(ReadingSessionTest, AStalledDiskHoldsNeitherTheLinesNorStop) {
  session.logCalls = &kStalledCalls;
  StalledDisk::Set(true);
  ASSERT_EQ(session.Start(pty.slavePath), ReadingSession::StartResult::kStarted);
  const std::filesystem::path path = session.logPath;
  ASSERT_TRUE(pty.Send(Lines(3, "P12345678\r\n")));
  // Counted and shown while the writer waits on the disk.
  ASSERT_TRUE(DrainUntil(3));
  ASSERT_TRUE(StalledDisk::WaitForAWriter());
  EXPECT_EQ(session.statistics.gapCount[0][0], 3);
  // Stop returns while the disk still holds the writer.
  auto stopped = std::async(std::launch::async, [&] {
    session.Halt();
    session.Finish(true);
  });
  ASSERT_EQ(stopped.wait_for(10s), std::future_status::ready);
  EXPECT_FALSE(session.IsReading());
  EXPECT_FALSE(session.WaitForLogs(0ms));
  // The disk comes back: the file is finished in the background, whole.
  StalledDisk::Set(false);
  ASSERT_TRUE(session.WaitForLogs(10s));
  EXPECT_TRUE(ReadFile(path).starts_with("Start\r\n" +
                                         Lines(3, "09 : 07 : 05 : 042 P 1234  5 678\n") +
                                         "End\r\n    1234    1111    \r\n00  3"));
}

}  // namespace

namespace {

// The failures that come with a deleted log, a failing store and a full disk
// at Stop: the end report says where every line is, or that it is lost.
class FaultyDiskTest : public ReadingSessionTest {
 protected:
  void SetUp() override {
    ReadingSessionTest::SetUp();
    FaultyDisk::Reset();
    session.logCalls = &kFaultyCalls;
    session.logDir = dir / "logs";
    std::filesystem::create_directory(session.logDir);
    session.logFallbackFolders = {dir / "state", dir / "tmp"};
  }
  void TearDown() override { FaultyDisk::Reset(); }
  // Starts, sends `count` lines, waits until they are in the file.
  void RunLines(int count) {
    ASSERT_EQ(session.Start(pty.slavePath), ReadingSession::StartResult::kStarted)
        << session.LastError();
    ASSERT_TRUE(pty.Send(Lines(count, "P12345678\r\n")));
    ASSERT_TRUE(DrainUntil(count));
    ASSERT_TRUE(session.Log()->WaitWritten(static_cast<std::uint64_t>(count) + 1, 10s));
  }
  void Stop() {
    session.Halt();
    session.Finish(true);
    ASSERT_TRUE(session.WaitForLogs(10s));
  }
  const std::string line = "09 : 07 : 05 : 042 P 1234  5 678\n";
};

TEST_F(FaultyDiskTest,
       ADeletedLogIsKeptElsewhereWhenItsFolderRefusesItAndSaidLostOnlyWhenNothingTakesIt) {
  RunLines(4);
  {
    std::lock_guard lock(FaultyDisk::mutex);
    FaultyDisk::refuseCreateUnder = session.logDir.string();
  }
  std::filesystem::remove(session.logPath);
  Stop();
  EXPECT_TRUE(events.outcome.inFallback);
  EXPECT_FALSE(events.outcome.Complete());
  EXPECT_EQ(events.outcome.path.parent_path(), dir / "state");
  EXPECT_NE(events.outcome.problem.find("Read-only file system"), std::string::npos);
  EXPECT_TRUE(ReadFile(events.outcome.path).starts_with("Start\r\n" + Lines(4, line) + "End\r\n"));

  // Nowhere takes it: every line is said lost, and no file is named.
  FaultyDisk::Reset();
  RunLines(3);
  {
    std::lock_guard lock(FaultyDisk::mutex);
    FaultyDisk::refuseCreateUnder = "/";
  }
  std::filesystem::remove(session.logPath);
  Stop();
  EXPECT_TRUE(events.outcome.path.empty());
  EXPECT_EQ(events.outcome.lostLines, 4);  // "Start" and 3 lines
}

TEST_F(FaultyDiskTest, ACopyThatCannotBeReadBackWholeSaysHowManyLinesItLacks) {
  RunLines(6);
  {
    // Two pieces of 100 bytes, then an I/O error: "Start" and 5 whole lines.
    std::lock_guard lock(FaultyDisk::mutex);
    FaultyDisk::readsBeforeFailure = 2;
  }
  std::filesystem::remove(session.logPath);
  // The writer looks for its file every second.
  ASSERT_TRUE(signal.WaitFor([&] { return events.recreated >= 1; }, 10s));
  EXPECT_EQ(events.recreatedMissing, 1);
  Stop();
  EXPECT_EQ(events.outcome.lostLines, 1);
  EXPECT_FALSE(events.outcome.Complete());
  EXPECT_TRUE(ReadFile(events.outcome.path).starts_with("Start\r\n" + Lines(5, line) + "End"));
}

TEST_F(FaultyDiskTest, FailedFlushesCloseAndEndAreSaidAndCounted) {
  RunLines(2);
  {
    std::lock_guard lock(FaultyDisk::mutex);
    FaultyDisk::failSync = true;
    FaultyDisk::failEnd = true;
  }
  Stop();
  EXPECT_EQ(events.outcome.unsureLines, 3);
  EXPECT_FALSE(events.outcome.ended);
  EXPECT_FALSE(events.outcome.Complete());
  EXPECT_EQ(ReadFile(events.outcome.path), "Start\r\n" + Lines(2, line));

  FaultyDisk::Reset();
  RunLines(1);
  {
    std::lock_guard lock(FaultyDisk::mutex);
    FaultyDisk::failClose = true;
  }
  Stop();
  EXPECT_TRUE(events.outcome.ended);
  EXPECT_FALSE(events.outcome.Complete());
  EXPECT_NE(events.outcome.problem.find("cannot close"), std::string::npos);
}

TEST_F(FaultyDiskTest, AFolderThatDoesNotAnswerFailsTheStartInsteadOfHoldingIt) {
  session.logCalls = &kHungStoreCalls;
  session.logCreateTimeout = 100ms;
  StalledDisk::Set(true);
  auto started = std::async(std::launch::async, [&] { return session.Start(pty.slavePath); });
  const bool returned = started.wait_for(10s) == std::future_status::ready;
  StalledDisk::Set(false);
  ASSERT_TRUE(returned);
  EXPECT_EQ(started.get(), ReadingSession::StartResult::kLogFolderHung);
  EXPECT_NE(session.LastError().find("does not answer"), std::string::npos);
  EXPECT_FALSE(session.IsReading());
}

}  // namespace

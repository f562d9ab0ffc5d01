#include "readingrun.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <future>

#include "../serial/ptypair.h"
#include "readerdoubles.h"
#include "serialport.h"
#include "tempdir.h"
#include "testdoubles.h"

namespace {

using namespace std::chrono_literals;

class ReadingRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty->IsOpen());
    std::optional<LogFile> created = LogFile::Create(dir.path, clock.Now(), error);
    ASSERT_TRUE(created) << error;
    path = created->Path();
    log = std::make_unique<LogWriter>(std::move(*created), listener);
    run = std::make_unique<ReadingRun>(source, *log, clock, listener);
  }

  void StartOn(const std::string& device) {
    ASSERT_NE(port.Open(device), 0) << port.LastError();
    run->Start();
  }

  // Takes lines until `count` have come, or a bounded wait ends.
  std::vector<CompletedLine> TakeLines(std::size_t count) {
    std::vector<CompletedLine> lines;
    events.WaitFor([&] {
      for (CompletedLine& line : run->TakeLines()) lines.push_back(std::move(line));
      return lines.size() >= count;
    });
    return lines;
  }

  // The file once the writer has handled `lines` lines.
  std::string Logged(std::uint64_t lines) {
    EXPECT_TRUE(log->WaitWritten(lines, 10s));
    return ReadFile(path);
  }

  std::unique_ptr<PtyPair> pty = std::make_unique<PtyPair>();
  TempDir dir;
  ScriptedClock clock{{ScriptedClock::Day(7, 5, 3, 42)}};
  std::string error;
  std::filesystem::path path;
  Signal events;
  SerialPort port;
  CountingSource source{port, events};
  RecordingListener listener{events};
  std::unique_ptr<LogWriter> log;
  std::unique_ptr<ReadingRun> run;
};

TEST_F(ReadingRunTest, LinesAreLoggedAndHandedOver) {
  StartOn(pty->slavePath);
  ASSERT_TRUE(
      pty->Send(std::string("P1234\0"
                            "5678\r\nP01234AB12CD3456\r\n",
                            30)));
  const std::vector<CompletedLine> lines = TakeLines(2);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].stamped, "07:05:03:042 P12345678\r\n");
  EXPECT_EQ(lines[1].stamped, "07:05:03:042 P01234AB12CD3456\r\n");
  EXPECT_EQ(lines[0].completedAt.second, 3);
  // Logged before being handed over, without waiting for the end of the run.
  EXPECT_EQ(Logged(2),
            "07 : 05 : 03 : 042 P 1234  5 678\n"
            "07 : 05 : 03 : 042 P0 1234 AB12CD 3 456\n");
  run->Stop();
}

TEST_F(ReadingRunTest, StopEndsABlockedReadAtOnce) {
  StartOn(pty->slavePath);
  ASSERT_TRUE(events.WaitFor([&] { return source.reads >= 1; }));
  auto stopped = std::async(std::launch::async, [&] { run->Stop(); });
  EXPECT_EQ(stopped.wait_for(800ms), std::future_status::ready);
}

TEST_F(ReadingRunTest, StopDropsAPartlyReceivedLine) {
  StartOn(pty->slavePath);
  const std::string sent = "P11111111\r\nP2222";
  ASSERT_TRUE(pty->Send(sent));
  ASSERT_TRUE(events.WaitFor([&] { return source.bytes >= sent.size(); }));
  ASSERT_EQ(TakeLines(1).size(), 1u);
  run->Stop();
  // The end of the line comes after Stop: nothing of it is read or logged.
  ASSERT_TRUE(pty->Send("2222\r\n"));
  EXPECT_TRUE(run->TakeLines().empty());
  EXPECT_EQ(Logged(1), "07 : 05 : 03 : 042 P 1111  1 111\n");
}

TEST_F(ReadingRunTest, EveryLoggedLineIsHandedOverByStop) {
  StartOn(pty->slavePath);
  std::string burst;
  for (int i = 0; i < 200; ++i) burst += "P12345678\r\n";
  ASSERT_TRUE(pty->Send(burst));
  ASSERT_TRUE(events.WaitFor([&] { return listener.linesReady >= 1; }));
  run->Stop();  // somewhere in the burst
  const std::size_t taken = run->TakeLines().size();
  const std::string logged = Logged(taken);
  EXPECT_EQ(taken, logged.size() / 33);
  EXPECT_EQ(logged.size() % 33, 0u);
  EXPECT_GE(taken, 1u);
}

TEST_F(ReadingRunTest, HungUpLineIsReportedOnceAndCostsOnlyAFewWakeUps) {
  // Through a link that goes with the line: a pseudo-terminal number freed by
  // the hang-up may be taken at once by another test's new pair.
  const std::filesystem::path link = dir / "ttyGone";
  std::filesystem::create_symlink(pty->slavePath, link);
  StartOn(link.string());
  ASSERT_TRUE(events.WaitFor([&] { return source.reads >= 1; }));
  std::filesystem::remove(link);
  pty->CloseSlave();
  pty->CloseMaster();
  ASSERT_TRUE(events.WaitFor([&] { return listener.lineLost >= 1; }));
  const int readsAtLoss = source.reads;
  // Over about two seconds a busy reader would make hundreds of calls.
  const bool spinning =
      events.WaitFor([&] { return source.reads - readsAtLoss + source.reconnects > 20; }, 2s);
  EXPECT_FALSE(spinning);
  EXPECT_LE(source.reconnects, 3);
  EXPECT_LE(source.reads - readsAtLoss, 1);
  EXPECT_EQ(listener.lineLost, 1);
  EXPECT_EQ(listener.lineBack, 0);
  auto stopped = std::async(std::launch::async, [&] { run->Stop(); });
  EXPECT_EQ(stopped.wait_for(800ms), std::future_status::ready);
}

// A replugged adapter comes back under its name; here another device comes
// (the link now leads to another line), which is said and logged.
TEST_F(ReadingRunTest, ReopensTheDeviceWhenItReturnsAndSaysWhenItIsAnotherOne) {
  // The device as a link, as udev gives a USB adapter a stable name.
  const std::filesystem::path link = dir / "ttyReceiver";
  std::filesystem::create_symlink(pty->slavePath, link);
  StartOn(link.string());
  // The line is lost in the middle of a line: its start must not be glued
  // to the first line after the replug.
  const std::string sent = "P11111111\r\nP333";
  ASSERT_TRUE(pty->Send(sent));
  ASSERT_EQ(TakeLines(1).size(), 1u);
  ASSERT_TRUE(events.WaitFor([&] { return source.bytes >= sent.size(); }));

  // Made before the first goes, so that it cannot take its number.
  auto back = std::make_unique<PtyPair>();
  ASSERT_TRUE(back->IsOpen());
  pty->CloseSlave();
  pty->CloseMaster();
  ASSERT_TRUE(events.WaitFor([&] { return listener.lineLost >= 1; }));

  const std::filesystem::path newLink = dir / "ttyReceiver.new";
  std::filesystem::create_symlink(back->slavePath, newLink);
  std::filesystem::rename(newLink, link);
  ASSERT_TRUE(events.WaitFor([&] { return listener.lineBack >= 1; }));

  ASSERT_TRUE(back->Send("P22222222\r\n"));
  const std::vector<CompletedLine> lines = TakeLines(1);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].stamped, "07:05:03:042 P22222222\r\n");
  run->Stop();
  std::string change;
  {
    std::lock_guard lock(listener.changeMutex);
    change = listener.deviceChange;
  }
  EXPECT_TRUE(change.starts_with("was device ")) << change;
  EXPECT_EQ(Logged(3),
            "07 : 05 : 03 : 042 P 1111  1 111\n"
            "Device changed: " +
                change +
                "\r\n"
                "07 : 05 : 03 : 042 P 2222  2 222\n");
  EXPECT_EQ(listener.lineLost, 1);
  pty = std::move(back);
}

}  // namespace

#include "livebins.h"

#include <gtest/gtest.h>

#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>

#include "../reception/readerdoubles.h"
#include "../reception/stalleddisk.h"
#include "../reception/tempdir.h"
#include "../reception/testdoubles.h"
#include "../serial/ptypair.h"
#include "readingsession.h"
#include "receiversimulator.h"

namespace {

using namespace std::chrono_literals;

// A clock that moves on with every reading: mostly forward a few seconds,
// now and then back (a correction), across midnight.
class SteppingClock final : public Clock {
 public:
  LocalTime Now() const override {
    std::lock_guard lock(mutex);
    ++calls;
    seconds += calls % 97 == 0 ? -75 : 4;
    const long long second = ((seconds % 86400) + 86400) % 86400;
    return {2026,
            12,
            seconds >= 86400 ? 9 : 8,
            static_cast<int>(second / 3600),
            static_cast<int>(second / 60 % 60),
            static_cast<int>(second % 60),
            0};
  }

 private:
  mutable std::mutex mutex;
  mutable long long calls = 0;
  mutable long long seconds = 23 * 3600 + 40 * 60;  // 23:40
};

class CountingEvents final : public ReadingEvents {
 public:
  explicit CountingEvents(Signal& signal) : events(signal) {}
  void ClearMonitor() override {}
  void AppendMonitor(std::string_view) override { ++appended; }
  void LinesReady() override { events.Notify(); }
  void LineLost(const std::string&) override {}
  void LineBack(const std::string&) override {}
  void LogWriteFailed(const std::string&) override {}
  int appended = 0;  // "Start" included

 private:
  Signal& events;
};

void ExpectSameBins(const GraphData& shown, const GraphData& loaded, const std::string& moment) {
  SCOPED_TRACE(moment);
  EXPECT_EQ(shown.receptionCounts, loaded.receptionCounts);
  EXPECT_EQ(shown.peakLevels, loaded.peakLevels);
  EXPECT_EQ(shown.firstText, loaded.firstText);
  EXPECT_EQ(shown.receptionTotal, loaded.receptionTotal);
  EXPECT_EQ(shown.spanMinutes, loaded.spanMinutes);
  EXPECT_EQ(shown.matchedLines, loaded.matchedLines);
  EXPECT_EQ(shown.dayCount, loaded.dayCount);
  EXPECT_EQ(shown.transmitters, loaded.transmitters);
  EXPECT_EQ(shown.dateText, loaded.dateText);
}

class LiveBinsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.IsOpen());
    session.logDir = dir.path;
    slots.number[0] = "1234";
    live.emplace(keptLimit, tailLimit);
    session.AddListener(*live);
  }

  // Sends `count` simulated lines and takes them all into the session,
  // with the log written up to them unless `written` is false.
  void Receive(int count, bool written = true) {
    std::string bytes;
    for (int i = 0; i < count; ++i) bytes += simulator.Next().bytes;
    ASSERT_TRUE(pty.Send(bytes));
    sent += count;
    ASSERT_TRUE(signal.WaitFor(
        [&] {
          session.DrainLines();
          return events.appended - 1 >= sent;
        },
        20s));
    if (written) {
      ASSERT_TRUE(session.Log()->WaitWritten(static_cast<std::uint64_t>(sent) + 1, 20s));
    }
  }

  GraphData Loaded(const LoadRequest& request) {
    GraphData loaded;
    std::string error;
    EXPECT_TRUE(LoadLog(live->LogPath(), request, loaded, error)) << error;
    return loaded;
  }

  void ExpectLiveEqualsLoaded(const std::string& moment) {
    GraphData snapshot;
    live->Snapshot(snapshot);
    ExpectSameBins(snapshot, Loaded(live->Request()), moment);
  }

  TempDir dir;
  PtyPair pty;
  SteppingClock clock;
  FakeSlots slots;
  Signal signal;
  CountingEvents events{signal};
  std::size_t keptLimit = LiveBins::kKeptLimit;  // set before SetUp
  std::size_t tailLimit = LiveBins::kTailLimit;
  std::optional<LiveBins> live;
  ReadingSession session{clock, slots, events};
  ReceiverSimulator simulator{{{"1234", "A642", "C115"}, ReceiverSimulator::Form::kMixed, true}};
  int sent = 0;
};

TEST_F(LiveBinsTest, LiveBinsEqualALoadOfTheLogAtEveryMoment) {
  LoadRequest request;
  request.transmitter = "1234";
  ASSERT_TRUE(live->SetRequest(request));
  ASSERT_EQ(session.Start(pty.slavePath), ReadingSession::StartResult::kStarted)
      << session.LastError();
  EXPECT_TRUE(live->Running());
  ExpectLiveEqualsLoaded("nothing received yet");
  for (int moment = 1; moment <= 6; ++moment) {
    Receive(60 + moment * 7);
    ExpectLiveEqualsLoaded("moment " + std::to_string(moment));
  }
  GraphData snapshot;
  live->Snapshot(snapshot);
  // Past midnight and with corrections, something was drawn and counted.
  EXPECT_GE(snapshot.dayCount, 2);
  EXPECT_GT(snapshot.receptionTotal, 0);
  EXPECT_GT(snapshot.spanMinutes, 0);

  // Another transmitter, a later day and a window: rebuilt from what the
  // run heard, still equal to a load.
  request.transmitter = "A642";
  request.firstText = "00:05";
  request.lastText = "01:00";
  request.day = 2;
  ASSERT_TRUE(live->SetRequest(request));
  ExpectLiveEqualsLoaded("another request");
  Receive(40);
  ExpectLiveEqualsLoaded("another request, later");

  // Stopped: the picture stays, and the finished file draws the same.
  const std::filesystem::path path = live->LogPath();
  session.Halt();
  session.Finish(true);
  ASSERT_TRUE(session.WaitForLogs(20s));
  EXPECT_FALSE(live->Running());
  EXPECT_EQ(live->LogPath(), path);
  ExpectLiveEqualsLoaded("after Stop");
}

TEST_F(LiveBinsTest, ANewRunStartsEmptyWithTheSameRequest) {
  LoadRequest request;
  request.transmitter = "C115";
  request.day = 2;
  ASSERT_TRUE(live->SetRequest(request));
  ASSERT_EQ(session.Start(pty.slavePath), ReadingSession::StartResult::kStarted);
  Receive(30);
  session.Halt();
  session.Finish(true);
  const std::uint64_t before = live->Version();
  ASSERT_EQ(session.Start(pty.slavePath), ReadingSession::StartResult::kStarted);
  // "Start" of the new run is the only line it has had.
  sent = 0;
  events.appended = 1;
  GraphData snapshot;
  live->Snapshot(snapshot);
  EXPECT_EQ(snapshot.receptionTotal, 0);
  EXPECT_TRUE(snapshot.transmitters.empty());
  EXPECT_EQ(live->Request().transmitter, "C115");
  EXPECT_EQ(live->Request().day, 1);  // a new run starts on its first day
  Receive(10);
  EXPECT_GT(live->Version(), before);
  ExpectLiveEqualsLoaded("second run");
  session.Halt();
  session.Finish(true);
}

// Little of the run kept in memory: the rest comes from the log file.
class LiveBinsPastTheLimitTest : public LiveBinsTest {
 protected:
  LiveBinsPastTheLimitTest() {
    keptLimit = 2000;
    tailLimit = 4000;
  }
};

TEST_F(LiveBinsPastTheLimitTest, AnotherRequestReadsTheRestFromTheLog) {
  ASSERT_EQ(session.Start(pty.slavePath), ReadingSession::StartResult::kStarted);
  Receive(300);
  LoadRequest request;
  request.transmitter = "A642";
  ASSERT_TRUE(live->SetRequest(request));
  ExpectLiveEqualsLoaded("past the limit");
  Receive(50);
  ExpectLiveEqualsLoaded("past the limit, later");

  // Without the file the rest is nowhere: the bins stay as they were.
  const std::uint64_t version = live->Version();
  const std::filesystem::path elsewhere = dir.path / "elsewhere.txt";
  std::filesystem::rename(live->LogPath(), elsewhere);
  request.transmitter = "1234";
  EXPECT_FALSE(live->SetRequest(request));
  EXPECT_EQ(live->Request().transmitter, "A642");
  EXPECT_EQ(live->Version(), version);
  // A log made anew under another name is followed there.
  session.LogMoved(elsewhere);
  EXPECT_EQ(live->LogPath(), elsewhere);
  ASSERT_TRUE(live->SetRequest(request));
  ExpectLiveEqualsLoaded("the log under its new name");
  session.Halt();
  session.Finish(true);
}

TEST_F(LiveBinsPastTheLimitTest, TheLatestLinesComeFromMemoryWhileTheDiskLags) {
  session.logCalls = &kStalledCalls;
  ASSERT_EQ(session.Start(pty.slavePath), ReadingSession::StartResult::kStarted);
  Receive(300);
  // The writer holds the next lines; the file ends before them.
  StalledDisk::Set(true);
  Receive(40, false);
  ASSERT_TRUE(StalledDisk::WaitForAWriter());
  LoadRequest request;
  request.transmitter = "C115";
  EXPECT_TRUE(live->SetRequest(request));
  StalledDisk::Set(false);
  ASSERT_TRUE(session.Log()->WaitWritten(static_cast<std::uint64_t>(sent) + 1, 20s));
  ExpectLiveEqualsLoaded("rebuilt while the disk lagged");
  session.Halt();
  session.Finish(true);
}

}  // namespace

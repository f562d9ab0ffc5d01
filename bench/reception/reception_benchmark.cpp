// Lines per second through the reception pipeline, in memory and end to end
// through a pseudo-terminal. The receiver's line brings about 20 short lines
// per second (2400 bit/s, 10 bits a byte, 11 bytes a line).
#include <benchmark/benchmark.h>

#include <array>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "lineframer.h"
#include "logfile.h"
#include "readingsession.h"
#include "reception/tempdir.h"
#include "reception/testdoubles.h"
#include "serial/ptypair.h"
#include "slotpresenter.h"

namespace {

constexpr double kLineRate = 2400.0 / 10.0 / 11.0;

// A realistic mix: mostly short lines of the followed transmitters, some long,
// some of transmitters nobody follows.
std::string ReceiverTraffic(int lines) {
  static const std::array<const char*, 8> kLines = {
      "P12345678\r\n", "P11117ABC\r\n", "P22223XYZ\r\n", "P01234AB12CD3456\r\n",
      "P99995000\r\n", "P12349678\r\n", "P11111111\r\n", "P02222CDEFGH7123\r\n"};
  std::string traffic;
  for (int i = 0; i < lines; ++i) traffic += kLines[static_cast<std::size_t>(i) % kLines.size()];
  return traffic;
}

void FollowSlots(FakeSlots& slots) {
  slots.number = {"1234", "1111", "2222", "3333", "4444", "5555", "6666", "7777"};
}

// Bytes in, lines framed, records decoded, statistics updated, log lines
// written to a file: the work done per line, without threads.
void BM_ReceptionPipeline(benchmark::State& state) {
  const int lines = 1000;
  const std::string traffic = ReceiverTraffic(lines);
  TempDir dir;
  SystemClock clock;
  FakeSlots slots;
  FollowSlots(slots);
  Statistics statistics;
  std::string error;
  std::optional<LogFile> log = LogFile::Create(dir.path, clock.Now(), error);
  if (!log) {
    state.SkipWithError(error.c_str());
    return;
  }
  LineFramer framer;
  for (auto _ : state) {
    for (char byte : traffic) {
      if (!framer.Feed(static_cast<std::uint8_t>(byte), clock)) continue;
      const std::string& stamped = framer.Line();
      log->Append(FormatLogLine(stamped));
      const std::string_view record(stamped.data(), stamped.size() - 2);
      benchmark::DoNotOptimize(SlotPresenter(slots).Count(statistics, record, clock.Now()));
    }
  }
  state.SetItemsProcessed(state.iterations() * lines);
  state.counters["x_line_rate"] = benchmark::Counter(
      static_cast<double>(state.iterations() * lines) / kLineRate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReceptionPipeline)->Unit(benchmark::kMillisecond);

class CountingEvents final : public ReadingEvents {
 public:
  void ClearMonitor() override {}
  void AppendMonitor(std::string_view) override { ++appended; }
  void LinesReady() override {
    {
      std::lock_guard lock(mutex);
      ready = true;
    }
    wake.notify_one();
  }
  void LineLost(const std::string&) override {}
  void LineBack(const std::string&) override {}
  void LogWriteFailed(const std::string&) override {}

  void WaitReady() {
    std::unique_lock lock(mutex);
    wake.wait_for(lock, std::chrono::seconds(5), [&] { return ready; });
    ready = false;
  }

  long appended = 0;

 private:
  std::mutex mutex;
  std::condition_variable wake;
  bool ready = false;
};

// The same through a pseudo-terminal, the reader thread and the session: the
// receiver's bytes written to the master, every line taken into the
// statistics and the monitor.
void BM_ReceptionThroughPty(benchmark::State& state) {
  const int lines = 1000;
  const std::string traffic = ReceiverTraffic(lines);
  PtyPair pty;
  TempDir dir;
  SystemClock clock;
  FakeSlots slots;
  FollowSlots(slots);
  CountingEvents events;
  ReadingSession session(clock, slots, events);
  session.logDir = dir.path;
  if (!pty.IsOpen() || session.Start(pty.slavePath) != ReadingSession::StartResult::kStarted) {
    state.SkipWithError("cannot start a reading on a pseudo-terminal");
    return;
  }
  long expected = events.appended;
  for (auto _ : state) {
    expected += lines;
    std::thread receiver([&] { pty.Send(traffic); });
    while (events.appended < expected) {
      events.WaitReady();
      session.DrainLines();
    }
    receiver.join();
  }
  session.Halt();
  session.Finish(false);
  state.SetItemsProcessed(state.iterations() * lines);
  state.counters["x_line_rate"] = benchmark::Counter(
      static_cast<double>(state.iterations() * lines) / kLineRate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReceptionThroughPty)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

// LoadLog on large logs, beside `wc -l` on the same files in the same run:
//   graph_benchmark [--benchmark_...]
// Two logs of the program's own record lines (FormatLogLine): a day of eight
// transmitters at one reception per second each (691,200 lines), and one of
// at least 100 MB. Both stay in the temporary directory for the next run.
// At the end the ratio LoadLog / wc -l is printed for each.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "logfile.h"
#include "logloader.h"
#include "textformat.h"

extern char** environ;

namespace {

// The eight transmitters: short lines of four numbers, long lines of receivers
// whose 5-character identifier is "0" and the number.
const char* const kNumbers[] = {"1234", "A642", "C115", "0B17", "0001", "0002", "0003", "0004"};

// `days` days of the eight transmitters, then more until the file has `bytes`.
std::filesystem::path MakeLog(const std::string& name, int days, std::size_t bytes) {
  const std::filesystem::path path = std::filesystem::temp_directory_path() / name;
  const std::filesystem::path marker = path.string() + ".done";
  if (std::filesystem::exists(marker) && std::filesystem::exists(path)) return path;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "Start\r\n";
  std::size_t written = 7;
  for (int day = 0; day < days || written < bytes; ++day) {
    for (int t = 0; t < 86400 && (day < days || written < bytes); ++t) {
      for (int k = 0; k < 8; ++k) {
        const char level = "0123456789ABCDEF"[(t / 7 + k) % 16];
        // Appended piece by piece: GCC 12 warns wrongly on a chain of + at -O3.
        std::string received(k % 2 == 0 ? "P" : "P0");
        received.append(kNumbers[k]);
        received.append(k % 2 == 0 ? "9A6" : "AB12CD345");
        received.push_back(level);
        received.append("\r\n");
        const std::string line = FormatLogLine(
            TimeStamp({2026, 3, 1, t / 3600, t / 60 % 60, t % 60, 125 * k}).append(received));
        out << line;
        written += line.size();
      }
    }
  }
  out << "End\r\n    \r\n";
  out.close();
  std::ofstream{marker};
  return path;
}

const std::filesystem::path& DayLog() {
  static const std::filesystem::path path = MakeLog("delvarine-bench-day.txt", 1, 0);
  return path;
}

const std::filesystem::path& LargeLog() {
  static const std::filesystem::path path = MakeLog("delvarine-bench-100mb.txt", 0, 100'000'000);
  return path;
}

void LoadLogOf(benchmark::State& state, const std::filesystem::path& path,
               const char* transmitter) {
  GraphData data;
  std::string error;
  for (auto _ : state) {
    const LoadRequest request{transmitter, "00:00", "23:59"};
    if (!LoadLog(path, request, data, error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(data.receptionTotal);
  }
  state.counters["receptions"] = data.receptionTotal;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(std::filesystem::file_size(path)));
}

// `wc -l FILE` as a user runs it, without a shell: process start included.
void WcOf(benchmark::State& state, const std::filesystem::path& path) {
  std::string file = path.string();
  char wc[] = "wc";
  char lines[] = "-l";
  char* argv[] = {wc, lines, file.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  for (auto _ : state) {
    pid_t child = 0;
    int status = 0;
    if (posix_spawnp(&child, "wc", &actions, nullptr, argv, environ) != 0 ||
        waitpid(child, &status, 0) != child || status != 0) {
      state.SkipWithError("wc -l failed");
      break;
    }
  }
  posix_spawn_file_actions_destroy(&actions);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(std::filesystem::file_size(path)));
}

// The day log fed to the binner in pieces of state.range(0) bytes: the time
// per byte stays the same from pieces of one byte to pieces of a megabyte.
void BM_Feed_Pieces(benchmark::State& state) {
  static const std::string log = [] {
    std::ifstream in(DayLog(), std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    all.resize(std::min<std::size_t>(all.size(), 8u << 20));
    return all;
  }();
  const auto piece = static_cast<std::size_t>(state.range(0));
  LoadRequest request;
  request.transmitter = "1234";
  for (auto _ : state) {
    GraphData data;
    LogBinner binner(request, data);
    for (std::size_t at = 0; at < log.size(); at += piece) {
      binner.Feed(std::string_view(log).substr(at, piece));
    }
    binner.Finish();
    benchmark::DoNotOptimize(data.receptionTotal);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(log.size()));
}

void BM_LoadLog_Day(benchmark::State& state) { LoadLogOf(state, DayLog(), "1234"); }
void BM_LoadLog_Day_Long(benchmark::State& state) { LoadLogOf(state, DayLog(), "0A642"); }
void BM_Wc_Day(benchmark::State& state) { WcOf(state, DayLog()); }
void BM_LoadLog_100MB(benchmark::State& state) { LoadLogOf(state, LargeLog(), "1234"); }
void BM_Wc_100MB(benchmark::State& state) { WcOf(state, LargeLog()); }

BENCHMARK(BM_Feed_Pieces)->Arg(1)->Arg(7)->Arg(64)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadLog_Day)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadLog_Day_Long)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Wc_Day)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadLog_100MB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Wc_100MB)->Unit(benchmark::kMillisecond)->UseRealTime();

// The console report, and the wall times kept for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) times[run.benchmark_name()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  // Made before timing, so that the first iterations read a file in the page cache.
  std::printf("logs: %s (%ju bytes), %s (%ju bytes)\n", DayLog().c_str(),
              static_cast<std::uintmax_t>(std::filesystem::file_size(DayLog())), LargeLog().c_str(),
              static_cast<std::uintmax_t>(std::filesystem::file_size(LargeLog())));
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::fflush(stdout);
  std::printf("\n");
  for (const auto& [load, wc] :
       {std::pair{"BM_LoadLog_Day/real_time", "BM_Wc_Day/real_time"},
        std::pair{"BM_LoadLog_Day_Long/real_time", "BM_Wc_Day/real_time"},
        std::pair{"BM_LoadLog_100MB/real_time", "BM_Wc_100MB/real_time"}}) {
    const auto l = reporter.times.find(load);
    const auto w = reporter.times.find(wc);
    if (l == reporter.times.end() || w == reporter.times.end() || w->second <= 0) continue;
    std::printf("%-30s %8.2f ms   wc -l %8.2f ms   ratio %.2f\n", load, l->second, w->second,
                l->second / w->second);
  }
  benchmark::Shutdown();
  return 0;
}

// LoadLog on large logs, beside `wc -l` on the same files.
//   graph_benchmark [--benchmark_...]

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "logfile.h"
#include "logloader.h"
#include "textformat.h"

namespace {

const char* const kNumbers[] = {"1234", "A642", "C115", "0B17", "0001", "0002", "0003", "0004"};

// A day of eight transmitters at one reception per second each, repeated
// until the file has at least `bytes`.
std::filesystem::path MakeLog(const std::string& name, std::size_t bytes) {
  const std::filesystem::path path = std::filesystem::temp_directory_path() / name;
  if (std::filesystem::exists(path) && std::filesystem::file_size(path) >= bytes) return path;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "Start\r\n";
  std::size_t written = 7;
  while (written < bytes) {
    for (int t = 0; t < 86400 && written < bytes; ++t) {
      for (int k = 0; k < 8; ++k) {
        const std::string line =
            FormatLogLine(TimeStamp({2026, 3, 1, t / 3600, t / 60 % 60, t % 60, 125 * k}) + "P" +
                          kNumbers[k] + "9A6" + "0123456789ABCDEF"[(t + k) % 16] + "\r\n");
        out << line;
        written += line.size();
      }
    }
  }
  out << "End";
  return path;
}

void LoadLogOf(benchmark::State& state, const std::filesystem::path& path) {
  GraphData data;
  std::string error;
  for (auto _ : state) {
    LoadRequest request{"1234", "00:00", "23:59"};
    if (!LoadLog(path, request, data, error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(data.receptionTotal);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(std::filesystem::file_size(path)));
}

void WcOf(benchmark::State& state, const std::filesystem::path& path) {
  const std::string command = "wc -l < '" + path.string() + "' > /dev/null";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("wc failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(std::filesystem::file_size(path)));
}

void BM_LoadLogDay(benchmark::State& state) { LoadLogOf(state, MakeLog("delvarine-bench-day.txt", 22'000'000)); }
void BM_WcDay(benchmark::State& state) { WcOf(state, MakeLog("delvarine-bench-day.txt", 22'000'000)); }
void BM_LoadLog100MB(benchmark::State& state) { LoadLogOf(state, MakeLog("delvarine-bench-100mb.txt", 100'000'000)); }
void BM_Wc100MB(benchmark::State& state) { WcOf(state, MakeLog("delvarine-bench-100mb.txt", 100'000'000)); }

BENCHMARK(BM_LoadLogDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WcDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadLog100MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Wc100MB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

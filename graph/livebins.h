#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "graphdata.h"
#include "logloader.h"
#include "receptionlistener.h"

// The minute bins of the running reading. It hears every line as the session
// hands it out and bins the line as the log file holds it, by the loader's
// own rules: at any moment its bins are those of the run's log loaded then.
// The run's log text is kept (up to kKeptLimit bytes), so that another
// transmitter or time can be asked for without reading the file; past it,
// the middle of the run is read from the log file, and its latest bytes
// (kTailLimit, which the log writer may not have written yet) from memory.
class LiveBins final : public ReceptionListener {
 public:
  // Three weeks of a line a second; a day of a line that never pauses.
  static constexpr std::size_t kKeptLimit = std::size_t{64} << 20;
  // Seconds of a flood: more than a log writer lags behind a working disk.
  static constexpr std::size_t kTailLimit = std::size_t{16} << 20;

  explicit LiveBins(std::size_t keptLimit = kKeptLimit, std::size_t latestLimit = kTailLimit)
      : limit(keptLimit), tailLimit(latestLimit) {
    SetRequest({});
  }

  // Bins the run so far anew for `request`; false, with the bins left as they
  // were, when the log file no longer holds what is not kept in memory.
  bool SetRequest(const LoadRequest& request);
  const LoadRequest& Request() const { return request; }

  // The bins as a load of the run's log would give them now.
  void Snapshot(GraphData& out) const;

  // A run has started since the program did.
  bool HasRun() const { return !logPath.empty(); }
  bool Running() const { return running; }
  const std::filesystem::path& LogPath() const { return logPath; }
  // Counts the lines heard, so that a view redraws only after a change.
  std::uint64_t Version() const { return version; }

  // ReceptionListener
  void RunStarted(const std::filesystem::path& logPath, std::int64_t elapsedMs) override;
  void Received(const Reception& line) override;
  void LogMoved(const std::filesystem::path& newPath) override { logPath = newPath; }
  void RunEnded() override { running = false; }

 private:
  void Feed(std::string_view logBytes);

  static void Append(std::vector<std::string>& pieces, std::string_view bytes);

  std::size_t limit;
  std::size_t tailLimit;
  LoadRequest request;
  std::filesystem::path logPath;
  bool running = false;
  std::uint64_t version = 0;
  GraphData data;
  std::unique_ptr<LogBinner> binner;  // bound to `data`
  // The run's log as written so far, in pieces: growing never copies it.
  std::vector<std::string> text;
  std::size_t keptBytes = 0;
  std::uint64_t fedBytes = 0;  // all of the run's log heard so far
  // Past the kept text: the latest bytes, from `tailStart` on.
  std::vector<std::string> tail;
  std::size_t tailBytes = 0;
  bool textKept = true;
};

#pragma once

#include <filesystem>
#include <string>

#include "graphdata.h"
#include "graphpicture.h"
#include "logloader.h"

// The graph page's state without its window: the minute bins and what they
// were loaded from, and the picture they make with the page's choices. A log
// feeds it; the window only shows its pictures.
class GraphModel {
 public:
  // Loads the log at `path` with `request`. False, with `error` naming the
  // file and the reason, when it cannot be read or `progress` stopped it;
  // the bins are then empty.
  bool Load(const std::filesystem::path& path, const LoadRequest& request, std::string& error,
            const LoadProgress& progress = {});
  // Empty bins, nothing loaded.
  void Clear();
  // Shows `bins` made elsewhere (the running reading's) as those of `from`.
  void Take(GraphData bins, const std::filesystem::path& from) {
    data = std::move(bins);
    logPath = from;
  }

  const GraphData& Data() const { return data; }
  // The log loaded last; empty before the first load.
  const std::filesystem::path& LogPath() const { return logPath; }
  bool HasLog() const { return !logPath.empty(); }

  GraphPicture Picture(const GraphSettings& settings, const GraphGeometry& geometry) const {
    return DrawGraphs(data, settings, geometry);
  }

 private:
  GraphData data;
  std::filesystem::path logPath;
};

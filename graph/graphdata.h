#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The minute bins of one loaded log and the values drawn beside them.
struct GraphData {
  // Minutes a load can fill: ten days from the first reception.
  static constexpr std::size_t kBinCount = 14400;

  GraphData() { Clear(); }
  // Empty bins, nothing to draw.
  void Clear();

  std::vector<std::uint8_t> receptionCounts;  // receptions in minute n, at most 255
  std::vector<double> peakLevels;             // highest level digit in minute n; 0 where none
  std::string firstText;                      // "HH:MM" of the first accepted reception
  std::string lastText;                       // the last-reception text, as typed
  int receptionTotal = 0;
  int spanMinutes = 0;  // minutes of the time axis; 0 = nothing loaded
};

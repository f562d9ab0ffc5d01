#pragma once

#include <cstdint>
#include <string>
#include <utility>
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
  int spanMinutes = 0;  // minutes of the time axis; 0 = nothing to draw

  bool loaded = false;         // a log was read, whether or not it had receptions to draw
  std::string transmitter;     // as asked for
  int day = 1;                 // as asked for
  long long matchedLines = 0;  // lines of the asked-for transmitter, on any day
  std::string dateText;        // "DD.MM.YYYY" of the drawn day, when the log's name tells
  int dayCount = 0;            // days the log holds: its midnight crossings and one
  // The transmitters of the log as they can be asked for (a long line's
  // 5-character identifier, a short line's 4-character number) with their
  // line counts, in order of first appearance.
  std::vector<std::pair<std::string, long long>> transmitters;
  // Lines of names seen too rarely to be listed: garbled identifiers.
  long long unlistedLines = 0;
};

// The most frequent of `data`'s transmitters, at most `count`, as "ID (LINES)"
// texts, for hints: noise never hides a transmitter there.
std::vector<std::string> FrequentTransmitters(const GraphData& data, std::size_t count);

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "graphdata.h"

// What to take from a log: the transmitter (5 characters: the receiver's
// identifier; 4: the transmitter number) and the "HH:MM" texts of the first
// and the last reception.
struct LoadRequest {
  std::string transmitter = "0A642";
  std::string firstText = "00:00";
  std::string lastText = "23:59";
  // Which day of the log the first reception is taken from: 1 is the log's
  // first day, the next begins after each midnight crossing.
  int day = 1;
};

// A time as users type it ("9:30", "09:30", "9.30") as "HH:MM"; false for a
// text that is no time of day.
bool ParseClockText(std::string_view text, std::string& clock);

// Folds the receptions of one transmitter into minute bins. The log comes in
// pieces of any size; the result is the same however it is cut.
//
// Lines: at a "hh : mm : ss : mmm " start, a record line of the log file is
// taken by its fixed length (33 bytes short, 40 long, the last one LF), since
// a short received line leaves its own CR LF inside it. Any other line runs to
// the first CR or LF (a CR takes the LF after it along) and is read when it is
// a stamped line of the reception monitor ("hh:mm:ss:mmm " in front). Lines of
// neither layout ("Start", "End", the summary) and lines longer than 4096
// bytes are skipped.
//
// Matching: a 5-character identifier is p1..p5 of a long record line (bytes
// 20, 22..25) or bytes 13..17 of a stamped line; a 4-character one is the
// transmitter number of either layout. Any other length matches nothing.
//
// Time: a line whose time is 12 hours or more before the previous line's is
// the next day's; a smaller step back is a clock correction, and the bins
// follow the clock back. Logs whose line ends were turned into CR LF load as
// the originals.
class LogBinner {
 public:
  // Names listed at most: beyond it the names seen once are dropped, and their
  // lines counted as unlisted.
  static constexpr std::size_t kMaxTransmitters = 4096;

  LogBinner(const LoadRequest& request, GraphData& data);
  // A copy of `other` that goes on in `target` (a copy of other's data).
  LogBinner(const LogBinner& other, GraphData& target) : LogBinner(other) { data = &target; }
  void Feed(std::string_view bytes);
  // The end of the file: handles a last line without line end, sets the span.
  void Finish();

  // Takes the whole lines at the front of `bytes` (all of them at the end of
  // the file) and returns how many bytes it took; for readers that keep the
  // rest themselves. SetSpan() then ends the load.
  std::size_t Consume(std::string_view bytes, bool atEnd);
  void SetSpan();

 private:
  void RecordLine(std::string_view line);
  void StampedLine(std::string_view line);
  // Every timed line moves the day count; true when it lies in a day the
  // request takes.
  bool Clock(int hour, int minute);
  // Counts a line of `transmitter`, whose packed name is `key`.
  void Tally(std::uint64_t key, std::string_view transmitter);
  void Accept(int hour, int minute, int second, unsigned char levelByte);

  LogBinner(const LogBinner&) = default;

  const LoadRequest request;
  GraphData* data;
  std::string carry;      // the unfinished end of the last piece
  bool skipping = false;  // inside a line too long to be one of ours
  bool started = false;
  int startMinutes = 0;
  int previousMinute = 0;
  bool hasPreviousTime = false;
  int previousTime = 0;  // seconds since midnight of the last accepted line
  int span = 0;          // minutes of the time axis, known from the first accepted line
  long long bin = 0;
  bool emptyWindow = false;  // the first reception lay past the last-reception time
  int day = 1;               // of the line read last
  int previousLineMinute = -1;
  // Drops the names seen only once, to make room: garbled lines make such
  // names, a transmitter does not.
  void DropRareNames();

  std::vector<std::uint64_t> tallyKeys;                         // data.transmitters' names, packed
  std::unordered_map<std::uint64_t, std::uint32_t> tallyIndex;  // of tallyKeys
  std::array<std::uint64_t, 64> cachedKeys{};  // of tallyKeys, by a hash of the key
  std::array<std::uint32_t, 64> cachedIndexes{};
  std::uint64_t wantedKey = 0;  // the request's transmitter, packed; 0 matches nothing
  bool listFull = false;        // full of names seen more than once
};

// Told after every block: bytes read so far and the file's size. Returning
// false stops the load.
using LoadProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

// Clears `data` and loads the log at `path` into it, reading `blockSize`
// bytes at a time. False, with `error` naming the file and the reason, when
// it cannot be opened or read, or when `progress` stopped it; `data` is then
// left cleared. Creates nothing.
bool LoadLog(const std::filesystem::path& path, const LoadRequest& request, GraphData& data,
             std::string& error, std::size_t blockSize = std::size_t{1} << 20,
             const LoadProgress& progress = {});

// "DD.MM.YYYY" of day `day` (1: the first) of a log named as the reading page
// names its logs (YYYY.MM.DD_hh-mm-ss.txt); empty for any other name.
std::string DayDate(std::string_view logName, int day);

// The hour and minute of an "HH:MM" text, each read as atoi reads it.
int MinutesOf(std::string_view text);

// Minutes of the time axis from `firstText` to `lastText`, on the next day
// when the last is not later; 0 when even that is not positive.
int SpanMinutes(std::string_view firstText, std::string_view lastText);

#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "localtime.h"
#include "recordlayout.h"
#include "slotcontrols.h"

inline constexpr int kGapRows = 61;        // 0..59 s, then 60..119 s
inline constexpr int kLongGapClasses = 8;  // 2 min and more

// The slots' number edits, in slot order, as the statistics read them.
using SlotNumbers = std::array<std::string, kSlotCount>;

// The per-slot statistics of the reading page: counts and times, no view text
// (SlotPresenter makes the boxes' texts from them). All of it belongs to one
// thread at a time: the one that hands records to ProcessRecord.
class Statistics {
 public:
  // Seconds of the window selector's items, by item index.
  static constexpr std::array<int, 14> kWindowSeconds = {
      10, 20, 30, 40, 60, 120, 180, 300, 600, 1200, 1800, 3600, 7200, 2147483647};

  Statistics() { ResetStatistics(); }

  // Counts one received record (a stamped line without its closing CR LF,
  // decoded as `decoded`), completed at `now`, in every slot whose number edit
  // (`numbers`) follows its transmitter. Returns a bit per slot in which it was
  // counted. `elapsedMs` is `now` on the clock's jump-free scale
  // (Clock::ElapsedMs): the gap is the number of whole seconds the local clock
  // would have ticked since the previous reception had it not jumped.
  unsigned ProcessRecord(std::string_view record, const DecodedLine& decoded, const LocalTime& now,
                         std::int64_t elapsedMs, const SlotNumbers& numbers);
  unsigned ProcessRecord(std::string_view record, const LocalTime& now, std::int64_t elapsedMs,
                         const SlotNumbers& numbers) {
    return ProcessRecord(record, recordlayout::DecodeStamped(record), now, elapsedMs, numbers);
  }

  // The empty state of a fresh reading; every window back to 10 s.
  void ResetStatistics();

  // Clears the gap counts, times and last line of `slot`; the rest of the
  // slot stays.
  void ClearColumn(int slot);

  // Sets the window of `slot` from the selector's item `index`; any other index
  // changes nothing.
  void SelectWindow(int slot, int index);

  // Gap class of gaps of 2 minutes and more; `gap` must be at least 120.
  static int LongGapClass(int gap);

  std::array<std::array<std::int32_t, kGapRows>, kSlotCount> gapCount{};
  std::array<std::string, kSlotCount> txNumber;
  std::array<TimeOfDay, kSlotCount> firstTime{};
  std::array<TimeOfDay, kSlotCount> lastTime{};
  // 0..5 the last six levels (oldest first), 6..8 spaces once six arrived,
  // 9 the maximum of the current window; NUL where nothing is yet.
  std::array<std::array<char, 20>, kSlotCount> levels{};
  // The window ended at the latest reception: its maximum shows as '6' from
  // the next one on.
  std::array<bool, kSlotCount> windowEnded{};
  // The latest counted record of each slot.
  std::array<std::string, kSlotCount> lastRecord;
  std::array<std::int32_t, kSlotCount> maxWindow{};
  // Wide enough that "no window" (2^31-1 s) never overflows.
  std::array<std::int64_t, kSlotCount> windowElapsed{};
  std::array<std::array<std::int32_t, kLongGapClasses>, kSlotCount> longGapCount{};
  // The latest reception's milliseconds of the day and its jump-free time.
  std::array<std::int64_t, kSlotCount> lastMsOfDay{};
  std::array<std::int64_t, kSlotCount> lastElapsedMs{};

 private:
  void EnterLevel(int slot, char level);
};

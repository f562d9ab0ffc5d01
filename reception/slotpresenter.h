#pragma once

#include <string>
#include <string_view>

#include "localtime.h"
#include "slotcontrols.h"
#include "statistics.h"

// Makes the slots' boxes from the statistics: the column box (number, first
// and latest time, the gap table), the level box and the last-line box, in the
// bytes the page has always shown. The one place their text is laid out.
class SlotPresenter {
 public:
  explicit SlotPresenter(SlotControls& slotControls) : controls(slotControls) {}

  // The number edits as the statistics read them.
  SlotNumbers Numbers() const;
  // Counts `record` completed at `now` and shows the slots that counted it;
  // returns a bit per such slot.
  unsigned Count(Statistics& statistics, std::string_view record, const DecodedLine& decoded,
                 const LocalTime& now, std::int64_t elapsedMs);
  unsigned Count(Statistics& statistics, std::string_view record, const LocalTime& now,
                 std::int64_t elapsedMs) {
    return Count(statistics, record, recordlayout::DecodeStamped(record), now, elapsedMs);
  }
  unsigned Count(Statistics& statistics, std::string_view record, const LocalTime& now) {
    return Count(statistics, record, now, CalendarMs(now));
  }
  // Shows each slot of `slots` (a bit each) as the statistics hold it.
  void Show(const Statistics& statistics, unsigned slots);
  // Writes `now` as the latest time into every non-empty column box.
  void StampStopTime(const LocalTime& now);
  // Clears the column of `slot` and empties its column and last-line boxes.
  void ClearColumn(Statistics& statistics, int slot);

  // The column box text of `slot`, with `latest` as its latest time.
  static std::string ColumnText(const Statistics& statistics, int slot, const TimeOfDay& latest);
  static std::string LevelText(const Statistics& statistics, int slot);
  static std::string FirstTime(const Statistics& statistics, int slot);
  static std::string LastTime(const Statistics& statistics, int slot);

 private:
  SlotControls& controls;
};

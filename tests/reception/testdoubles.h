#pragma once

#include <array>
#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "localtime.h"
#include "slotcontrols.h"

inline LocalTime TestDay(int hour, int minute, int second, int millisecond = 0) {
  return {2026, 12, 8, hour, minute, second, millisecond};
}

// A clock that gives scripted times: each Now() takes the next one, and the
// last one is repeated once the script is used up. Safe across threads.
class ScriptedClock final : public Clock {
 public:
  explicit ScriptedClock(std::vector<LocalTime> script = {TestDay(10, 0, 0)})
      : times(std::move(script)) {}

  LocalTime Now() const override {
    std::lock_guard lock(mutex);
    const LocalTime time = times[next < times.size() ? next : times.size() - 1];
    if (next < times.size()) ++next;
    return time;
  }

  // Always `time` from now on.
  void Set(const LocalTime& time) {
    std::lock_guard lock(mutex);
    times = {time};
    next = 0;
  }

  static LocalTime Day(int hour, int minute, int second, int millisecond = 0) {
    return TestDay(hour, minute, second, millisecond);
  }

 private:
  mutable std::mutex mutex;
  std::vector<LocalTime> times;
  mutable std::size_t next = 0;
};

// The eight slots' controls as plain texts.
class FakeSlots final : public SlotControls {
 public:
  std::string NumberText(int slot) const override { return number[Index(slot)]; }
  std::string ColumnText(int slot) const override { return column[Index(slot)]; }
  void SetLevelText(int slot, std::string_view text) override { level[Index(slot)] = text; }
  void SetColumnText(int slot, std::string_view text) override { column[Index(slot)] = text; }
  void SetLastLineText(int slot, std::string_view text) override { lastLine[Index(slot)] = text; }

  static std::size_t Index(int slot) { return static_cast<std::size_t>(slot); }

  std::array<std::string, kSlotCount> number;
  std::array<std::string, kSlotCount> level;
  std::array<std::string, kSlotCount> column;
  std::array<std::string, kSlotCount> lastLine;
};

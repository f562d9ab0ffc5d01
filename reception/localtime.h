#pragma once

#include <cstdint>

// A local date and time with milliseconds, as the clock gives it.
struct LocalTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// A time of day without date.
struct TimeOfDay {
  int hour = 0;
  int minute = 0;
  int second = 0;

  int SecondsSinceMidnight() const { return hour * 3600 + minute * 60 + second; }
  bool IsZero() const { return hour == 0 && minute == 0 && second == 0; }
  bool operator==(const TimeOfDay&) const = default;
};

inline TimeOfDay TimeOfDayOf(const LocalTime& time) {
  return {time.hour, time.minute, time.second};
}

// `time` in milliseconds since 1970-01-01 00:00 of its own calendar, as if the
// local clock never jumped.
std::int64_t CalendarMs(const LocalTime& time);

// The source of the local time; injected so that stamps, gaps and file names
// can be tested without real time.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() const = 0;
  // Milliseconds on a scale that never jumps, read together with `now` (which
  // Now() gave). Gaps are measured on it, so that a clock correction or a
  // daylight-saving change neither makes nor hides a gap. A clock without a
  // scale of its own counts `now` itself.
  virtual std::int64_t ElapsedMs(const LocalTime& now) const { return CalendarMs(now); }
};

class SystemClock final : public Clock {
 public:
  LocalTime Now() const override;
  std::int64_t ElapsedMs(const LocalTime& now) const override;
};

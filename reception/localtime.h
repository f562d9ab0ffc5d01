#pragma once

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

// The source of the local time; injected so that stamps, gaps and file names
// can be tested without real time.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() const = 0;
};

class SystemClock final : public Clock {
 public:
  LocalTime Now() const override;
};

#include "textformat.h"

#include <chrono>
#include <ctime>

#include "localtime.h"

std::string ZeroPad(std::string_view text, std::size_t width) {
  std::string padded;
  if (text.size() < width) padded.assign(width - text.size(), '0');
  padded.append(text);
  return padded;
}

std::string PaddedNumber(int value, std::size_t width) {
  return ZeroPad(std::to_string(value), width);
}

std::string TimeStamp(const LocalTime& time) {
  return PaddedNumber(time.hour, 2) + ':' + PaddedNumber(time.minute, 2) + ':' +
         PaddedNumber(time.second, 2) + ':' + PaddedNumber(time.millisecond, 3) + ' ';
}

std::string FormatClock(const TimeOfDay& time) {
  return PaddedNumber(time.hour, 2) + ':' + PaddedNumber(time.minute, 2) + ':' +
         PaddedNumber(time.second, 2);
}

LocalTime SystemClock::Now() const {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,           local.tm_hour,
          local.tm_min,         local.tm_sec,     static_cast<int>(millis)};
}

std::int64_t SystemClock::ElapsedMs(const LocalTime&) const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::int64_t CalendarMs(const LocalTime& time) {
  // Days from the civil date (proleptic Gregorian calendar).
  const std::int64_t month = time.month;
  const std::int64_t year = time.year - (month <= 2 ? 1 : 0);
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + time.day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  const std::int64_t days = era * 146097 + dayOfEra - 719468;
  return ((days * 24 + time.hour) * 60 + time.minute) * 60000 + time.second * 1000LL +
         time.millisecond;
}

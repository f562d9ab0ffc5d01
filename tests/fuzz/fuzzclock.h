#pragma once

#include "localtime.h"

// A clock that walks through the day by the bytes it is given.
class FuzzClock final : public Clock {
 public:
  LocalTime Now() const override { return now; }
  void Advance(unsigned char step) {
    int seconds = now.hour * 3600 + now.minute * 60 + now.second + step * 7;
    seconds %= 86400;
    now.hour = seconds / 3600;
    now.minute = seconds / 60 % 60;
    now.second = seconds % 60;
    now.millisecond = (now.millisecond + step) % 1000;
  }

 private:
  LocalTime now{2026, 12, 8, 23, 59, 0, 0};
};

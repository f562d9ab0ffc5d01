#pragma once

#include <string>
#include <string_view>

#include "localtime.h"

// Left-fills a decimal text with '0' up to `width`; a text of that width or
// longer is returned unchanged.
std::string ZeroPad(std::string_view text, std::size_t width);

// `value` in decimal, zero-padded to `width`.
std::string PaddedNumber(int value, std::size_t width);

// "HH:MM:SS:mmm " (13 characters): the stamp put in front of every received line.
std::string TimeStamp(const LocalTime& time);

// "HH:MM:SS" (8 characters).
std::string FormatClock(const TimeOfDay& time);

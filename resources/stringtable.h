#pragma once

#include <string_view>

// The program's string table, ids 100 to 126, in UTF-8.
namespace strings {

enum Id : int {
  kProjectName = 100,
  kOneSecond = 101,
  kTenSeconds = 102,
  kIntervalHeading = 103,
  kReadingTab = 104,
  kGraphTab = 105,
  kOneMinute = 106,
  kTwoMinutes = 107,
  kThreeMinutes = 108,
  kFiveMinutes = 109,
  kTenMinutes = 110,
  kReceptionsPer = 111,
  kRelativeLevel = 112,
  kNormalFont = 113,
  kSmallFont = 114,
  kTwentySeconds = 115,
  kThirtySeconds = 116,
  kFortySeconds = 117,
  kTwentyMinutes = 118,
  kThirtyMinutes = 119,
  kOneHour = 120,
  kHourAndHalf = 121,
  kTwoHours = 122,
  kNoWindow = 123,
  kErrorCaption = 124,
  kPortBusy = 125,
  kSaveFiles = 126,
};

// The text of `id`; empty for an id outside the table.
std::string_view Load(int id);

}  // namespace strings

#include "statistics.h"

#include <algorithm>

namespace {

constexpr std::array<int, kLongGapClasses> kClassStarts = {120, 240, 360,  480,
                                                           600, 900, 1200, 1800};

}  // namespace

int Statistics::LongGapClass(int gap) {
  int result = 0;
  for (int j = 0; j < kLongGapClasses; ++j) {
    if (gap >= kClassStarts[static_cast<std::size_t>(j)]) result = j;
  }
  return result;
}

void Statistics::ResetStatistics() {
  for (auto& counts : gapCount) counts.fill(0);
  for (auto& number : txNumber) number.clear();
  firstTime.fill({});
  lastTime.fill({});
  lastMsOfDay.fill(0);
  lastElapsedMs.fill(0);
  for (auto& history : levels) history.fill('\0');
  windowEnded.fill(false);
  for (auto& record : lastRecord) record.clear();
  windowElapsed.fill(0);
  for (auto& counts : longGapCount) counts.fill(0);
  maxWindow.fill(10);
}

void Statistics::EnterLevel(int slot, char level) {
  auto& history = levels[static_cast<std::size_t>(slot)];
  // The window that ended at the previous reception starts its maximum anew.
  if (windowEnded[static_cast<std::size_t>(slot)] && history[9] != '\0') history[9] = '6';
  windowEnded[static_cast<std::size_t>(slot)] = false;
  // A record too short to hold a level gives NUL, which is not a level.
  if (level == '\0') return;
  if (history[9] != '\0') {
    for (std::size_t i = 0; i < 5; ++i) history[i] = history[i + 1];
    history[5] = level;
    if (static_cast<signed char>(level) > static_cast<signed char>(history[9])) history[9] = level;
    return;
  }
  std::size_t position = 5;
  for (std::size_t i = 0; i < 6; ++i) {
    if (history[i] == '\0') {
      position = i;
      break;
    }
  }
  history[position] = level;
  if (position == 5) {
    history[6] = history[7] = history[8] = ' ';
    if (static_cast<signed char>(level) > 0) history[9] = level;
  }
}

unsigned Statistics::ProcessRecord(std::string_view record, const DecodedLine& decoded,
                                   const LocalTime& now, std::int64_t elapsedMs,
                                   const SlotNumbers& numbers) {
  if (!decoded.reception) return 0;
  const std::string recordNumber(decoded.number.data(), decoded.number.size());

  unsigned counted = 0;
  for (int k = 0; k < kSlotCount; ++k) {
    const auto slot = static_cast<std::size_t>(k);
    // The edit is read as the page always did: at most its first 4 characters.
    const std::string text = numbers[slot].substr(0, 4);
    if (text.size() != 4 || text.find('\0') != std::string::npos) {
      gapCount[slot].fill(0);
      txNumber[slot].clear();
      firstTime[slot] = {};
      lastTime[slot] = {};
      levels[slot].fill('\0');
      windowEnded[slot] = false;
      windowElapsed[slot] = 0;
      longGapCount[slot].fill(0);
      continue;
    }
    bool numberChanged = false;
    if (text != txNumber[slot]) {
      txNumber[slot] = text;
      numberChanged = true;
    }
    if (recordNumber != text) continue;

    const TimeOfDay time = TimeOfDayOf(now);
    const std::int64_t msOfDay = time.SecondsSinceMidnight() * 1000LL + now.millisecond;
    if (numberChanged || firstTime[slot].IsZero()) {
      firstTime[slot] = time;
      lastTime[slot] = time;
      lastMsOfDay[slot] = msOfDay;
      lastElapsedMs[slot] = elapsedMs;
    }
    EnterLevel(k, decoded.level);

    // Whole seconds ticked on the local clock, measured on the jump-free
    // scale: the same as the difference of the two times unless the clock
    // was set in between.
    const std::int64_t elapsed = std::max<std::int64_t>(0, elapsedMs - lastElapsedMs[slot]);
    const std::int64_t ticks = (lastMsOfDay[slot] + elapsed) / 1000 - lastMsOfDay[slot] / 1000;
    const int gap = static_cast<int>(std::min<std::int64_t>(ticks, 2147483647));
    lastTime[slot] = time;
    lastMsOfDay[slot] = msOfDay;
    lastElapsedMs[slot] = elapsedMs;

    windowElapsed[slot] += gap;
    if (windowElapsed[slot] > maxWindow[slot]) {
      // Taken into the levels with the next reception: this one's levels
      // still show the window that just ended.
      windowEnded[slot] = true;
      windowElapsed[slot] = 0;
    }

    if (gap < 60) {
      ++gapCount[slot][static_cast<std::size_t>(gap)];
    } else if (gap < 120) {
      ++gapCount[slot][60];
    } else {
      ++longGapCount[slot][static_cast<std::size_t>(LongGapClass(gap))];
    }

    lastRecord[slot] = record;
    counted |= 1u << k;
  }
  return counted;
}

void Statistics::ClearColumn(int slot) {
  if (slot < 0 || slot >= kSlotCount) return;
  const auto k = static_cast<std::size_t>(slot);
  gapCount[k].fill(0);
  firstTime[k] = {};
  lastTime[k] = {};
  lastRecord[k].clear();
}

void Statistics::SelectWindow(int slot, int index) {
  if (slot < 0 || slot >= kSlotCount) return;
  if (index < 0 || index >= static_cast<int>(kWindowSeconds.size())) return;
  maxWindow[static_cast<std::size_t>(slot)] = kWindowSeconds[static_cast<std::size_t>(index)];
}

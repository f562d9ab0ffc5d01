#include "statistics.h"

#include <algorithm>

#include "recordlayout.h"
#include "textformat.h"

namespace {

constexpr std::array<std::string_view, kLongGapClasses> kClassLabels = {"02", "04", "06", "08",
                                                                        "10", "15", "20", "30"};
constexpr std::array<int, kLongGapClasses> kClassStarts = {120, 240, 360,  480,
                                                           600, 900, 1200, 1800};

// `value` left-aligned in `width` places; a wider number is written whole.
void AppendLeftAligned(std::string& out, std::int32_t value, std::size_t width) {
  const std::string digits = std::to_string(value);
  out += digits;
  if (digits.size() < width) out.append(width - digits.size(), ' ');
}

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
  windowElapsed.fill(0);
  for (auto& counts : longGapCount) counts.fill(0);
  maxWindow.fill(10);
}

void Statistics::EnterLevel(int slot, char level) {
  // A record too short to hold a level gives NUL, which is not a level.
  if (level == '\0') return;
  auto& history = levels[static_cast<std::size_t>(slot)];
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

unsigned Statistics::ProcessRecord(std::string_view record, const LocalTime& now,
                                   std::int64_t elapsedMs, SlotControls& controls) {
  const DecodedLine decoded = recordlayout::DecodeStamped(record);
  if (!decoded.reception) return 0;
  const std::string recordNumber(decoded.number.data(), decoded.number.size());

  unsigned counted = 0;
  for (int k = 0; k < kSlotCount; ++k) {
    const auto slot = static_cast<std::size_t>(k);
    // The edit is read as the page always did: at most its first 4 characters.
    std::string text = controls.NumberText(k).substr(0, 4);
    if (text.size() != 4 || text.find('\0') != std::string::npos) {
      gapCount[slot].fill(0);
      txNumber[slot].clear();
      firstTime[slot] = {};
      lastTime[slot] = {};
      levels[slot].fill('\0');
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
    ShowLevels(k, controls);

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
      // Shown with the next reception: the level box was already set above.
      if (levels[slot][9] != '\0') levels[slot][9] = '6';
      windowElapsed[slot] = 0;
    }

    if (gap < 60) {
      ++gapCount[slot][static_cast<std::size_t>(gap)];
    } else if (gap < 120) {
      ++gapCount[slot][60];
    } else {
      ++longGapCount[slot][static_cast<std::size_t>(LongGapClass(gap))];
    }

    controls.SetColumnText(k, ColumnText(k, time));
    controls.SetLastLineText(k, record);
    counted |= 1u << k;
  }
  return counted;
}

std::string Statistics::ColumnText(int slot, const TimeOfDay& latest) const {
  const auto k = static_cast<std::size_t>(slot);
  std::string text;
  text.reserve(1100);
  text += txNumber[k];
  if (text.size() < 4) text.append(4 - text.size(), ' ');
  text += " \r\n";
  text += FormatFirstTime(slot);
  text += "\r\n";
  text += FormatClock(latest);
  text += ' ';
  for (int i = 0; i < kGapRows; ++i) {
    text += PaddedNumber(i, 2);
    text += "   ";
    AppendLeftAligned(text, gapCount[k][static_cast<std::size_t>(i)], 7);
    text += "  \r\n";
  }
  text += "\r\n\r\n";
  for (int j = 0; j < kLongGapClasses; ++j) {
    text += kClassLabels[static_cast<std::size_t>(j)];
    text += "   ";
    AppendLeftAligned(text, longGapCount[k][static_cast<std::size_t>(j)], 3);
    text += "\r\n";
  }
  return text;
}

void Statistics::StampStopTime(const LocalTime& now, SlotControls& controls) {
  const std::string stop = FormatClock(TimeOfDayOf(now));
  for (int k = 0; k < kSlotCount; ++k) {
    std::string text = controls.ColumnText(k);
    if (text.size() < 26) continue;  // empty, or not a column text
    text.replace(17, 8, stop);
    text[25] = ' ';
    controls.SetColumnText(k, text);
  }
}

void Statistics::ClearColumn(int slot, SlotControls& controls) {
  if (slot < 0 || slot >= kSlotCount) return;
  const auto k = static_cast<std::size_t>(slot);
  gapCount[k].fill(0);
  firstTime[k] = {};
  lastTime[k] = {};
  controls.SetColumnText(slot, "");
  controls.SetLastLineText(slot, "");
}

void Statistics::SelectWindow(int slot, int index) {
  if (slot < 0 || slot >= kSlotCount) return;
  if (index < 0 || index >= static_cast<int>(kWindowSeconds.size())) return;
  maxWindow[static_cast<std::size_t>(slot)] = kWindowSeconds[static_cast<std::size_t>(index)];
}

void Statistics::ShowLevels(int slot, SlotControls& controls) const {
  const auto& history = levels[static_cast<std::size_t>(slot)];
  std::string text;
  for (std::size_t i = 0; i < 10 && history[i] != '\0'; ++i) text += history[i];
  controls.SetLevelText(slot, text);
}

std::string Statistics::FormatFirstTime(int slot) const {
  return FormatClock(firstTime[static_cast<std::size_t>(slot)]);
}

std::string Statistics::FormatLastTime(int slot) const {
  return FormatClock(lastTime[static_cast<std::size_t>(slot)]);
}

#include "slotpresenter.h"

#include "textformat.h"

namespace {

constexpr std::array<std::string_view, kLongGapClasses> kClassLabels = {"02", "04", "06", "08",
                                                                        "10", "15", "20", "30"};

// `value` left-aligned in `width` places; a wider number is written whole.
void AppendLeftAligned(std::string& out, std::int32_t value, std::size_t width) {
  const std::string digits = std::to_string(value);
  out += digits;
  if (digits.size() < width) out.append(width - digits.size(), ' ');
}

}  // namespace

SlotNumbers SlotPresenter::Numbers() const {
  SlotNumbers numbers;
  for (int k = 0; k < kSlotCount; ++k)
    numbers[static_cast<std::size_t>(k)] = controls.NumberText(k);
  return numbers;
}

unsigned SlotPresenter::Count(Statistics& statistics, std::string_view record,
                              const DecodedLine& decoded, const LocalTime& now,
                              std::int64_t elapsedMs) {
  // Only a reception reads the edits: they are read as they stand at each one.
  if (!decoded.reception) return 0;
  const unsigned counted = statistics.ProcessRecord(record, decoded, now, elapsedMs, Numbers());
  Show(statistics, counted);
  return counted;
}

void SlotPresenter::Show(const Statistics& statistics, unsigned slots) {
  for (int k = 0; k < kSlotCount; ++k) {
    if ((slots & (1u << k)) == 0) continue;
    const auto slot = static_cast<std::size_t>(k);
    controls.SetLevelText(k, LevelText(statistics, k));
    controls.SetColumnText(k, ColumnText(statistics, k, statistics.lastTime[slot]));
    controls.SetLastLineText(k, statistics.lastRecord[slot]);
  }
}

void SlotPresenter::StampStopTime(const LocalTime& now) {
  const std::string stop = FormatClock(TimeOfDayOf(now));
  for (int k = 0; k < kSlotCount; ++k) {
    std::string text = controls.ColumnText(k);
    if (text.size() < 26) continue;  // empty, or not a column text
    text.replace(17, 8, stop);
    text[25] = ' ';
    controls.SetColumnText(k, text);
  }
}

void SlotPresenter::ClearColumn(Statistics& statistics, int slot) {
  if (slot < 0 || slot >= kSlotCount) return;
  statistics.ClearColumn(slot);
  controls.SetColumnText(slot, "");
  controls.SetLastLineText(slot, "");
}

std::string SlotPresenter::ColumnText(const Statistics& statistics, int slot,
                                      const TimeOfDay& latest) {
  const auto k = static_cast<std::size_t>(slot);
  std::string text;
  text.reserve(1100);
  text += statistics.txNumber[k];
  if (text.size() < 4) text.append(4 - text.size(), ' ');
  text += " \r\n";
  text += FirstTime(statistics, slot);
  text += "\r\n";
  text += FormatClock(latest);
  text += ' ';
  for (int i = 0; i < kGapRows; ++i) {
    text += PaddedNumber(i, 2);
    text += "   ";
    AppendLeftAligned(text, statistics.gapCount[k][static_cast<std::size_t>(i)], 7);
    text += "  \r\n";
  }
  text += "\r\n\r\n";
  for (int j = 0; j < kLongGapClasses; ++j) {
    text += kClassLabels[static_cast<std::size_t>(j)];
    text += "   ";
    AppendLeftAligned(text, statistics.longGapCount[k][static_cast<std::size_t>(j)], 3);
    text += "\r\n";
  }
  return text;
}

std::string SlotPresenter::LevelText(const Statistics& statistics, int slot) {
  const auto& history = statistics.levels[static_cast<std::size_t>(slot)];
  std::string text;
  for (std::size_t i = 0; i < 10 && history[i] != '\0'; ++i) text += history[i];
  return text;
}

std::string SlotPresenter::FirstTime(const Statistics& statistics, int slot) {
  return FormatClock(statistics.firstTime[static_cast<std::size_t>(slot)]);
}

std::string SlotPresenter::LastTime(const Statistics& statistics, int slot) {
  return FormatClock(statistics.lastTime[static_cast<std::size_t>(slot)]);
}

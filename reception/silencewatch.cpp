#include "silencewatch.h"

#include <charconv>

void SilenceWatch::SetLimit(int slot, std::int64_t limitMs) {
  if (slot < 0 || slot >= kSlotCount) return;
  limit[static_cast<std::size_t>(slot)] = limitMs > 0 ? limitMs : 0;
  // Off ends a silence being watched: no "heard again" follows.
  if (limitMs <= 0) silent[static_cast<std::size_t>(slot)] = false;
}

void SilenceWatch::Start(std::int64_t nowMs) {
  last.fill(nowMs);
  silent.fill(false);
}

void SilenceWatch::Heard(unsigned slots, std::int64_t nowMs, std::vector<Event>& events) {
  for (int k = 0; k < kSlotCount; ++k) {
    if ((slots & (1u << k)) == 0) continue;
    const auto slot = static_cast<std::size_t>(k);
    if (silent[slot]) events.push_back({k, false, nowMs - last[slot]});
    silent[slot] = false;
    last[slot] = nowMs;
  }
}

void SilenceWatch::Check(std::int64_t nowMs, std::vector<Event>& events) {
  for (int k = 0; k < kSlotCount; ++k) {
    const auto slot = static_cast<std::size_t>(k);
    if (limit[slot] == 0 || silent[slot] || nowMs - last[slot] < limit[slot]) continue;
    silent[slot] = true;
    events.push_back({k, true, nowMs - last[slot]});
  }
}

std::int64_t SilenceWatch::NextDueMs(std::int64_t nowMs) const {
  std::int64_t next = -1;
  for (std::size_t slot = 0; slot < limit.size(); ++slot) {
    if (limit[slot] == 0 || silent[slot]) continue;
    const std::int64_t due = last[slot] + limit[slot] - nowMs;
    const std::int64_t wait = due > 0 ? due : 0;
    if (next < 0 || wait < next) next = wait;
  }
  return next;
}

void SilenceWatch::RunStarted(const std::filesystem::path&, std::int64_t elapsedMs) {
  heardEvents.clear();
  Start(elapsedMs);
}

void SilenceWatch::Received(const Reception& line) {
  if (line.countedSlots != 0) Heard(line.countedSlots, line.elapsedMs, heardEvents);
}

std::vector<SilenceWatch::Event> SilenceWatch::TakeEvents() {
  std::vector<Event> taken;
  taken.swap(heardEvents);
  return taken;
}

bool ParseSilenceLimit(const std::string& text, std::int64_t& limitMs) {
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [rest, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || value <= 0 || rest == text.data()) return false;
  const std::string unit(rest, end);
  std::int64_t scale = 0;
  if (unit.empty() || unit == "s") scale = 1000;
  if (unit == "m") scale = 60'000;
  if (unit == "h") scale = 3'600'000;
  // A week at most: longer is no watch, and nothing overflows.
  if (scale == 0 || value > 7 * 24 * 3'600'000 / scale) return false;
  limitMs = value * scale;
  return true;
}

namespace {

struct DurationUnits {
  const char* seconds;
  const char* minutes;
  const char* hours;
};

std::string Describe(std::int64_t ms, const DurationUnits& units) {
  // Built by appending: gcc 12 at -O3 warns falsely about a literal put in
  // front of a temporary string.
  const std::int64_t seconds = ms / 1000;
  std::string text;
  if (seconds < 60) {
    text.append(std::to_string(seconds)).append(units.seconds);
    return text;
  }
  const std::int64_t minutes = seconds / 60;
  if (minutes < 60) {
    text.append(std::to_string(minutes)).append(units.minutes);
    if (seconds % 60 != 0) {
      text.append(" ").append(std::to_string(seconds % 60)).append(units.seconds);
    }
    return text;
  }
  text.append(std::to_string(minutes / 60)).append(units.hours);
  if (minutes % 60 != 0) {
    text.append(" ").append(std::to_string(minutes % 60)).append(units.minutes);
  }
  return text;
}

}  // namespace

std::string DescribeDuration(std::int64_t ms) { return Describe(ms, {" s", " min", " h"}); }

std::string DescribeDurationRussian(std::int64_t ms) { return Describe(ms, {" с", " мин", " ч"}); }

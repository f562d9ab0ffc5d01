#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "slotcontrols.h"

// Watches the followed transmitters for silence. Each slot has a limit (0:
// off); when its last reception (or the start of the run) is older than the
// limit, one event says so, and at the next reception one event says after
// how long it was heard again: once per silence. Times are on the clock's
// jump-free scale (Clock::ElapsedMs), so setting the clock raises nothing.
class SilenceWatch {
 public:
  struct Event {
    int slot = 0;
    bool silent = false;        // true: fell silent; false: heard again
    std::int64_t silentMs = 0;  // how long it had been silent
  };

  void SetLimit(int slot, std::int64_t limitMs);
  // A run starts: every slot's silence counts from `nowMs`.
  void Start(std::int64_t nowMs);
  // Receptions in the slots of `slots` (a bit each) at `nowMs`.
  void Heard(unsigned slots, std::int64_t nowMs, std::vector<Event>& events);
  // The silences that passed their limits by `nowMs`.
  void Check(std::int64_t nowMs, std::vector<Event>& events);
  // Milliseconds from `nowMs` until a limit passes; -1 when none can.
  std::int64_t NextDueMs(std::int64_t nowMs) const;
  bool IsSilent(int slot) const { return silent[static_cast<std::size_t>(slot)]; }

 private:
  std::array<std::int64_t, kSlotCount> limit{};
  std::array<std::int64_t, kSlotCount> last{};
  std::array<bool, kSlotCount> silent{};
};

// "90s", "5m", "1h" (or plain seconds) as milliseconds; false for anything else.
bool ParseSilenceLimit(const std::string& text, std::int64_t& limitMs);
// How long, for people: "45 s", "5 min", "1 h 20 min".
std::string DescribeDuration(std::int64_t ms);

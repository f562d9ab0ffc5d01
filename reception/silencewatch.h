#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "receptionlistener.h"
#include "slotcontrols.h"

// Watches the followed transmitters for silence. Each slot has a limit (0:
// off); when its last reception (or the start of the run) is older than the
// limit, one event says so, and at the next reception one event says after
// how long it was heard again: once per silence. Times are on the clock's
// jump-free scale (Clock::ElapsedMs), so setting the clock raises nothing.
// As a session's listener it starts with each run and hears its receptions;
// TakeEvents() gives what they changed.
class SilenceWatch final : public ReceptionListener {
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
  std::int64_t Limit(int slot) const { return limit[static_cast<std::size_t>(slot)]; }
  // Since when `slot` is silent (jump-free milliseconds); its last reception.
  std::int64_t LastHeard(int slot) const { return last[static_cast<std::size_t>(slot)]; }

  // ReceptionListener: Start, then Heard for every counted line.
  void RunStarted(const std::filesystem::path& logPath, std::int64_t elapsedMs) override;
  void Received(const Reception& line) override;
  // What the receptions heard since the last take changed.
  std::vector<Event> TakeEvents();

 private:
  std::array<std::int64_t, kSlotCount> limit{};
  std::array<std::int64_t, kSlotCount> last{};
  std::array<bool, kSlotCount> silent{};
  std::vector<Event> heardEvents;
};

// "90s", "5m", "1h" (or plain seconds) as milliseconds; false for anything else.
bool ParseSilenceLimit(const std::string& text, std::int64_t& limitMs);
// How long, for people: "45 s", "5 min", "1 h 20 min".
std::string DescribeDuration(std::int64_t ms);
// The same in the window's words (UTF-8): "45 с", "5 мин", "1 ч 20 мин".
std::string DescribeDurationRussian(std::int64_t ms);

// The silence limits a user can choose, in minutes; 0 is off.
inline constexpr std::array<int, 8> kSilenceLimitMinutes = {0, 1, 2, 5, 10, 15, 30, 60};

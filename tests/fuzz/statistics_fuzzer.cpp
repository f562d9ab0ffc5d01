// Arbitrary records, slot numbers, window choices and clears.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzzclock.h"
#include "statistics.h"

namespace {

class FuzzSlots final : public SlotControls {
 public:
  std::string NumberText(int slot) const override { return number[static_cast<std::size_t>(slot)]; }
  std::string ColumnText(int slot) const override { return column[static_cast<std::size_t>(slot)]; }
  void SetLevelText(int, std::string_view) override {}
  void SetColumnText(int slot, std::string_view text) override {
    column[static_cast<std::size_t>(slot)] = text;
  }
  void SetLastLineText(int, std::string_view) override {}
  std::string number[kSlotCount];
  std::string column[kSlotCount];
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzClock clock;
  FuzzSlots slots;
  Statistics statistics;
  std::size_t i = 0;
  const auto next = [&]() -> std::uint8_t { return i < size ? data[i++] : 0; };
  while (i < size) {
    const std::uint8_t op = next();
    clock.Advance(next());
    switch (op % 5) {
      case 0: {
        const std::size_t length = next() % 40;
        std::string record(reinterpret_cast<const char*>(data + i), std::min(length, size - i));
        i += record.size();
        statistics.ProcessRecord(record, clock.Now(), slots);
        break;
      }
      case 1: {
        const int slot = next() % kSlotCount;
        const std::size_t length = next() % 6;
        slots.number[slot].assign(reinterpret_cast<const char*>(data + i),
                                  std::min(length, size - i));
        i += slots.number[slot].size();
        break;
      }
      case 2:
        statistics.SelectWindow(static_cast<signed char>(next()) % 10,
                                static_cast<signed char>(next()));
        break;
      case 3:
        statistics.ClearColumn(static_cast<signed char>(next()) % 10, slots);
        break;
      default:
        statistics.StampStopTime(clock.Now(), slots);
    }
  }
  return 0;
}

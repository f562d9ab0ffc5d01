// Arbitrary records, slot numbers, window choices and clears.
#include <cstddef>
#include <cstdint>
#include <string>

#include "../reception/testdoubles.h"
#include "fuzzclock.h"
#include "slotpresenter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzClock clock;
  FakeSlots slots;
  Statistics statistics;
  SlotPresenter presenter(slots);
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
        presenter.Count(statistics, record, clock.Now());
        break;
      }
      case 1: {
        const int slot = next() % kSlotCount;
        const std::size_t length = next() % 6;
        slots.number[static_cast<std::size_t>(slot)].assign(reinterpret_cast<const char*>(data + i),
                                                            std::min(length, size - i));
        i += slots.number[static_cast<std::size_t>(slot)].size();
        break;
      }
      case 2:
        statistics.SelectWindow(static_cast<signed char>(next()) % 10,
                                static_cast<signed char>(next()));
        break;
      case 3:
        presenter.ClearColumn(statistics, static_cast<signed char>(next()) % 10);
        break;
      default:
        presenter.StampStopTime(clock.Now());
    }
  }
  return 0;
}

// Arbitrary bytes from the line: framing, record decoding, statistics and the
// log layout of every completed line.
#include <cstddef>
#include <cstdint>

#include "../reception/testdoubles.h"
#include "fuzzclock.h"
#include "lineframer.h"
#include "logfile.h"
#include "slotpresenter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzClock clock;
  FakeSlots slots;
  for (int k = 0; k < kSlotCount; ++k) slots.number[FakeSlots::Index(k)] = k % 2 ? "1234" : "A642";
  SlotPresenter presenter(slots);
  Statistics statistics;
  LineFramer framer;
  for (std::size_t i = 0; i < size; ++i) {
    clock.Advance(data[i]);
    if (!framer.Feed(data[i], clock)) continue;
    const std::string& line = framer.Line();
    if (line.size() > LineFramer::kLineCapacity) __builtin_trap();
    const std::string logLine = FormatLogLine(line);
    if (logLine.size() != 33 && logLine.size() != 40) __builtin_trap();
    presenter.Count(statistics, std::string_view(line).substr(0, line.size() - 2), clock.Now());
  }
  presenter.StampStopTime(clock.Now());
  (void)FormatSummary(statistics);
  return 0;
}

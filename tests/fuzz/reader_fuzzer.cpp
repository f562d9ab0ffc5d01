// Arbitrary bytes from the line: framing, record decoding, statistics and the
// log layout of every completed line.
#include <cstddef>
#include <cstdint>

#include "fuzzclock.h"
#include "lineframer.h"
#include "logfile.h"
#include "statistics.h"

namespace {

class FuzzSlots final : public SlotControls {
 public:
  std::string NumberText(int slot) const override { return slot % 2 ? "1234" : "A642"; }
  std::string ColumnText(int slot) const override { return column[static_cast<std::size_t>(slot)]; }
  void SetLevelText(int, std::string_view) override {}
  void SetColumnText(int slot, std::string_view text) override {
    column[static_cast<std::size_t>(slot)] = text;
  }
  void SetLastLineText(int, std::string_view) override {}
  std::string column[kSlotCount];
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzClock clock;
  FuzzSlots slots;
  Statistics statistics;
  LineFramer framer;
  for (std::size_t i = 0; i < size; ++i) {
    clock.Advance(data[i]);
    if (!framer.Feed(data[i], clock)) continue;
    const std::string& line = framer.Line();
    if (line.size() > LineFramer::kLineCapacity) __builtin_trap();
    const std::string logLine = FormatLogLine(line);
    if (logLine.size() != 33 && logLine.size() != 40) __builtin_trap();
    statistics.ProcessRecord(std::string_view(line).substr(0, line.size() - 2), clock.Now(), slots);
  }
  statistics.StampStopTime(clock.Now(), slots);
  (void)FormatSummary(statistics);
  return 0;
}

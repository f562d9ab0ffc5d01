// The log loader on arbitrary files, fed in pieces whose sizes come from the
// input: the bins must not depend on the cuts.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "logloader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t piece = 1 + data[0] % 64;
  const LoadRequest request{data[1] % 2 ? "1234" : "0A642", "00:00", "23:59"};
  const std::string_view log(reinterpret_cast<const char*>(data + 2), size - 2);
  GraphData whole;
  LogBinner all(request, whole);
  all.Feed(log);
  all.Finish();
  GraphData cut;
  LogBinner pieces(request, cut);
  for (std::size_t at = 0; at < log.size(); at += piece) pieces.Feed(log.substr(at, piece));
  pieces.Finish();
  if (whole.receptionCounts != cut.receptionCounts || whole.receptionTotal != cut.receptionTotal ||
      whole.peakLevels != cut.peakLevels) {
    __builtin_trap();
  }
  return 0;
}

// FormatLogLine on any stamped line: a fixed length, ending in LF.
#include <cstddef>
#include <cstdint>
#include <string>

#include "logfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  const std::string out = FormatLogLine(line);
  if ((out.size() != 33 && out.size() != 40) || out.back() != '\n') __builtin_trap();
  return 0;
}

// The entry's scan for "RegServer" / "UnregServer" on any command line: a
// registration word is found only where it ends the line after '-' or '/'.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "commandline.h"

namespace {

bool EndsWithWord(std::string_view line, std::string_view word) {
  if (line.size() < word.size() + 1) return false;
  const std::string_view tail = line.substr(line.size() - word.size());
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(tail[i])) != word[i]) return false;
  }
  const char before = line[line.size() - word.size() - 1];
  return before == '-' || before == '/';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  switch (ScanCommandLine(line)) {
    case StartMode::kRegister:
      if (!EndsWithWord(line, "regserver")) __builtin_trap();
      break;
    case StartMode::kUnregister:
      if (!EndsWithWord(line, "unregserver")) __builtin_trap();
      break;
    case StartMode::kRun:
      if (EndsWithWord(line, "regserver")) __builtin_trap();
      break;
  }
  return 0;
}

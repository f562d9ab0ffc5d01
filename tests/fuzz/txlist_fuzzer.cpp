// tx.txt holding anything: at most eight 4-byte numbers come out, and what is
// saved reads back the same.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>

#include "transmitterlist.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::filesystem::path path =
      std::filesystem::temp_directory_path() /
      ("delvarine-fuzz-tx-" + std::to_string(getpid()) + ".txt");
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  const TransmitterList list = LoadTransmitterList(path);
  if (list.numbers.size() > 8) __builtin_trap();
  for (const auto& number : list.numbers) {
    if (number.size() != 4) __builtin_trap();
  }
  if (!SaveTransmitterList(path, list.numbers).empty()) return 0;
  const TransmitterList again = LoadTransmitterList(path);
  if (again.numbers != list.numbers) __builtin_trap();
  return 0;
}

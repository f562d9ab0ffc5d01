#pragma once

#include <array>
#include <string>

// Maps the port indexes 1..5 (COM1..COM5) to device paths. A path comes from,
// in order of precedence: the environment variable DELVARINE_COM<n>, a path
// set with Configure (the window's settings), the default /dev/ttyS<n-1>.
class PortTable {
 public:
  static constexpr int kPortCount = 5;

  // The device path of `index`; empty for an index outside 1..5.
  std::string DevicePath(int index) const;

  // Sets the configured path of `index`; an empty path restores the default.
  void Configure(int index, std::string path);

  static std::string DefaultPath(int index);
  static std::string PortName(int index);  // "COM1".."COM5"

 private:
  std::array<std::string, kPortCount> configured_;
};

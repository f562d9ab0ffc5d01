#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "localtime.h"

// Cuts received bytes into stamped lines: the stamp of the line's first byte,
// every byte but NUL, up to and including the LF. A line that outgrows the
// buffer keeps its first bytes and drops the rest up to its LF.
class LineFramer {
 public:
  // Longest stamped line, LF included (the page's 512-byte buffer with its NUL).
  static constexpr std::size_t kLineCapacity = 511;

  // Takes one byte; `clock` is read for the stamp when the byte starts a line.
  // True when the byte was the LF that completed Line().
  bool Feed(std::uint8_t byte, const Clock& clock);

  // The completed line, valid until the next Feed.
  const std::string& Line() const { return line; }

  // Drops a partly received line.
  void Reset();

 private:
  std::string line;
  bool atLineStart = true;
};

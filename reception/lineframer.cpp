#include "lineframer.h"

#include "textformat.h"

bool LineFramer::Feed(std::uint8_t byte, const Clock& clock) {
  if (atLineStart) {
    // The stamp is taken at the first byte even when that byte is a NUL.
    line = TimeStamp(clock.Now());
    line.reserve(64);
    atLineStart = false;
  }
  if (byte == 0x00) return false;
  if (byte != '\n') {
    if (line.size() < kLineCapacity - 1) line += static_cast<char>(byte);
    return false;
  }
  line += '\n';
  atLineStart = true;
  return true;
}

void LineFramer::Reset() {
  line.clear();
  atLineStart = true;
}

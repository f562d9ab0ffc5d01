#pragma once

#include <termios.h>

// The receiver's fixed line settings: 2400 bit/s, 8 data bits, no parity, one
// stop bit, raw input, no flow control, receiver on, modem status ignored.
// Everything else of `current` is kept. Reads are paced by poll, so VMIN and
// VTIME are 0.
termios MakeLineSettings(const termios& current);

inline constexpr speed_t kLineSpeed = B2400;

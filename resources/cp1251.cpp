#include "cp1251.h"

#include <array>
#include <cstdint>

namespace {

// Code points of the bytes 0x80..0xFF (0x98 is unassigned and kept as U+0098).
constexpr std::array<char32_t, 64> kHigh80 = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

char32_t CodePoint(unsigned char byte) {
  if (byte < 0x80) return byte;
  if (byte >= 0xC0) return 0x0410 + (byte - 0xC0);
  return kHigh80[byte - 0x80u];
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::string Cp1251ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char b : bytes) AppendUtf8(out, CodePoint(static_cast<unsigned char>(b)));
  return out;
}

std::string Utf8ToCp1251(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    char32_t c;
    std::size_t length;
    if (lead < 0x80) {
      c = lead, length = 1;
    } else if ((lead & 0xE0) == 0xC0) {
      c = lead & 0x1Fu, length = 2;
    } else if ((lead & 0xF0) == 0xE0) {
      c = lead & 0x0Fu, length = 3;
    } else if ((lead & 0xF8) == 0xF0) {
      c = lead & 0x07u, length = 4;
    } else {
      out += '?';
      ++i;
      continue;
    }
    if (i + length > text.size()) {
      out += '?';
      break;
    }
    for (std::size_t k = 1; k < length; ++k) {
      c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
    }
    i += length;
    if (c < 0x80) {
      out += static_cast<char>(c);
      continue;
    }
    char mapped = '?';
    if (c >= 0x0410 && c <= 0x044F) {
      mapped = static_cast<char>(0xC0 + (c - 0x0410));
    } else {
      for (std::size_t k = 0; k < kHigh80.size(); ++k) {
        if (kHigh80[k] == c) mapped = static_cast<char>(0x80 + k);
      }
    }
    out += mapped;
  }
  return out;
}

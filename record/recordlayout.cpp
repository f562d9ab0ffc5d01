#include "recordlayout.h"

namespace recordlayout {

namespace {

char At(std::string_view text, std::size_t index) {
  return index < text.size() ? text[index] : '\0';
}

}  // namespace

DecodedLine DecodeStamped(std::string_view record) {
  DecodedLine decoded;
  if (HasStamp(record)) {
    decoded.hour = TwoDigits(record[0], record[1]);
    decoded.minute = TwoDigits(record[3], record[4]);
    decoded.second = TwoDigits(record[6], record[7]);
  }
  decoded.reception = At(record, 13) == 'P';
  decoded.form = record.size() >= 28 ? DecodedLine::Form::kLong : DecodedLine::Form::kShort;
  const bool isLong = decoded.form == DecodedLine::Form::kLong;
  const std::size_t numberAt = isLong ? 15 : 14;
  for (std::size_t i = 0; i < 4; ++i) decoded.number[i] = At(record, numberAt + i);
  for (std::size_t i = 0; i < 5; ++i) decoded.identifier[i] = At(record, 14 + i);
  decoded.level = At(record, isLong ? 25 : 18);
  decoded.last = record.empty() ? '\0' : record.back();
  return decoded;
}

std::string RecordLineOf(std::string_view line) {
  const auto at = [&](std::size_t i) { return At(line, i); };
  // p<n>: the n-th received byte after the 13-byte stamp.
  const auto p = [&](std::size_t n) { return at(kStampLength + n); };
  std::string out;
  out.reserve(kLongRecordLength);
  out += at(0), out += at(1), out += " : ";
  out += at(3), out += at(4), out += " : ";
  out += at(6), out += at(7), out += " : ";
  out += at(9), out += at(10), out += at(11), out += ' ';
  if (line.size() > 28) {
    out += p(0), out += p(1), out += ' ';
    for (std::size_t n = 2; n <= 5; ++n) out += p(n);
    out += ' ';
    for (std::size_t n = 6; n <= 11; ++n) out += p(n);
    out += ' ', out += p(12), out += ' ';
    for (std::size_t n = 13; n <= 15; ++n) out += p(n);
  } else {
    out += p(0), out += ' ';
    for (std::size_t n = 1; n <= 4; ++n) out += p(n);
    out += "  ", out += p(5), out += ' ';
    for (std::size_t n = 6; n <= 8; ++n) out += p(n);
  }
  out += '\n';
  return out;
}

}  // namespace recordlayout

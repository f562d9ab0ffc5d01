#include "recordlayout.h"

namespace recordlayout {

namespace {

char At(std::string_view text, std::size_t index) {
  return index < text.size() ? text[index] : '\0';
}

// The received bytes' places in a record line: short and long form.
constexpr std::array<std::size_t, 9> kShortPlaces = {19, 21, 22, 23, 24, 27, 29, 30, 31};
constexpr std::array<std::size_t, 16> kLongPlaces = {19, 20, 22, 23, 24, 25, 27, 28,
                                                     29, 30, 31, 32, 34, 36, 37, 38};

}  // namespace

int TwoDigits(char first, char second) {
  const char text[3] = {first, second, '\0'};
  std::size_t i = 0;
  // The blanks of isspace in the C locale.
  while (i < 2 && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < 2 && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int value = 0;
  while (i < 2 && text[i] >= '0' && text[i] <= '9') value = value * 10 + (text[i++] - '0');
  return negative ? -value : value;
}

bool HasStamp(std::string_view line) {
  return line.size() >= kStampLength && line[2] == ':' && line[5] == ':' && line[8] == ':' &&
         line[12] == ' ';
}

bool HasRecordTime(std::string_view line) {
  if (line.size() < kRecordTimeLength) return false;
  return line.substr(2, 3) == " : " && line.substr(7, 3) == " : " && line.substr(12, 3) == " : " &&
         line[18] == ' ';
}

DecodedLine DecodeStamped(std::string_view record) {
  DecodedLine decoded;
  decoded.timed = HasStamp(record);
  if (decoded.timed) {
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

DecodedLine DecodeRecordLine(std::string_view line) {
  DecodedLine decoded;
  decoded.timed = HasRecordTime(line);
  decoded.hour = TwoDigits(At(line, 0), At(line, 1));
  decoded.minute = TwoDigits(At(line, 5), At(line, 6));
  decoded.second = TwoDigits(At(line, 10), At(line, 11));
  decoded.reception = At(line, 19) == 'P';
  const bool isLong = line.size() == kLongRecordLength;
  decoded.form = isLong ? DecodedLine::Form::kLong : DecodedLine::Form::kShort;
  if (isLong) {
    decoded.identifier = {At(line, 20), At(line, 22), At(line, 23), At(line, 24), At(line, 25)};
    for (std::size_t i = 0; i < 4; ++i) decoded.number[i] = At(line, 22 + i);
    decoded.level = At(line, 34);
  } else {
    for (std::size_t i = 0; i < 4; ++i) decoded.number[i] = At(line, 21 + i);
    decoded.level = At(line, 27);
  }
  // The level digit is the last received byte: the places up to the first
  // NUL, CR or LF of a short received line.
  const auto scan = [&](const auto& places) {
    for (std::size_t place : places) {
      const char c = At(line, place);
      if (c == '\0' || c == '\r' || c == '\n') break;
      decoded.last = c;
    }
  };
  if (isLong) {
    scan(kLongPlaces);
  } else {
    scan(kShortPlaces);
  }
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

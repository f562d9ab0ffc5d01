#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// The layouts of a received line, in one place. A stamped line is what the
// reception monitor shows: "hh:mm:ss:mmm " (13 bytes) and the received bytes.
// A record line is what the log file holds: "hh : mm : ss : mmm " (19 bytes)
// and the received bytes spaced out, 33 bytes in the short form and 40 in the
// long one, the last an LF. The forms are told apart by length, and the
// thresholds differ on purpose: the statistics take a record (a stamped line
// without CR LF) of 28 bytes or more as long, the log file a stamped line
// with its CR LF of more than 28 bytes.
struct DecodedLine {
  enum class Form { kShort, kLong };

  int hour = 0, minute = 0, second = 0;
  bool reception = false;  // the received line starts with 'P'
  Form form = Form::kShort;
  std::array<char, 4> number{};      // the transmitter number
  std::array<char, 5> identifier{};  // long form: the receiver's p1..p5
  char level = '\0';                 // the statistics' level character: p12 long, p5 short
  char last = '\0';                  // the last received character: the graphs' level
};

namespace recordlayout {

inline constexpr std::size_t kStampLength = 13;       // "hh:mm:ss:mmm "
inline constexpr std::size_t kRecordTimeLength = 19;  // "hh : mm : ss : mmm "
inline constexpr std::size_t kShortRecordLength = 33;
inline constexpr std::size_t kLongRecordLength = 40;

// A stamped line without its CR LF, as the statistics read it; the time only
// when the stamp is there. Bytes past the end read as NUL.
DecodedLine DecodeStamped(std::string_view record);

// The record line of a stamped line with its line end (FormatLogLine).
std::string RecordLineOf(std::string_view stampedLine);

// Inline: the graph loader decodes every line of logs of hundreds of megabytes.

// Two characters read as atoi reads them: blanks, a sign, digits up to the first other.
inline int TwoDigits(char first, char second) {
  // Two digits, nearly always: at once.
  if (first >= '0' && first <= '9' && second >= '0' && second <= '9') {
    return (first - '0') * 10 + (second - '0');
  }
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

// "hh:mm:ss:mmm " in front.
inline bool HasStamp(std::string_view line) {
  return line.size() >= kStampLength && line[2] == ':' && line[5] == ':' && line[8] == ':' &&
         line[12] == ' ';
}

// "hh : mm : ss : mmm " in front.
inline bool HasRecordTime(std::string_view line) {
  if (line.size() < kRecordTimeLength) return false;
  const auto separator = [&](std::size_t at) {
    return line[at] == ' ' && line[at + 1] == ':' && line[at + 2] == ' ';
  };
  return separator(2) && separator(7) && separator(12) && line[18] == ' ';
}

// The received bytes' places in a record line: short and long form.
inline constexpr std::array<std::size_t, 9> kShortPlaces = {19, 21, 22, 23, 24, 27, 29, 30, 31};
inline constexpr std::array<std::size_t, 16> kLongPlaces = {19, 20, 22, 23, 24, 25, 27, 28,
                                                            29, 30, 31, 32, 34, 36, 37, 38};

// The last received byte of a record line: the level digit, at the last
// place before the first NUL, CR or LF of a short received line.
inline char LastReceived(const char* line, bool isLong) {
  char last = '\0';
  const auto scan = [&](const auto& places) {
    for (std::size_t place : places) {
      const char c = line[place];
      if (c == '\0' || c == '\r' || c == '\n') break;
      last = c;
    }
  };
  if (isLong) {
    scan(kLongPlaces);
  } else {
    scan(kShortPlaces);
  }
  return last;
}

// A record line of the log file, 33 or 40 bytes; a shorter one reads as if
// NULs followed it. Without `withLast` the last received byte is not looked
// for (LastReceived gives it), which the graph loader needs only for the
// lines it counts.
inline DecodedLine DecodeRecordLine(std::string_view text, bool withLast = true) {
  // Every place read lies inside a whole record line; anything else is read
  // from a padded copy, so that no read needs a bound check.
  std::array<char, kLongRecordLength> padded;
  const bool whole = text.size() == kShortRecordLength || text.size() == kLongRecordLength;
  if (!whole) {
    for (std::size_t i = 0; i < padded.size(); ++i) padded[i] = i < text.size() ? text[i] : '\0';
  }
  const char* line = whole ? text.data() : padded.data();
  const bool isLong = text.size() == kLongRecordLength;
  DecodedLine decoded;
  decoded.hour = TwoDigits(line[0], line[1]);
  decoded.minute = TwoDigits(line[5], line[6]);
  decoded.second = TwoDigits(line[10], line[11]);
  decoded.reception = line[19] == 'P';
  decoded.form = isLong ? DecodedLine::Form::kLong : DecodedLine::Form::kShort;
  const std::size_t numberAt = isLong ? 22 : 21;
  for (std::size_t i = 0; i < 4; ++i) decoded.number[i] = line[numberAt + i];
  if (isLong) decoded.identifier = {line[20], line[22], line[23], line[24], line[25]};
  decoded.level = line[isLong ? 34 : 27];
  if (withLast) decoded.last = LastReceived(line, isLong);
  return decoded;
}

}  // namespace recordlayout

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

  bool timed = false;  // the stamp or the record time is there
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

// "hh:mm:ss:mmm " in front.
bool HasStamp(std::string_view line);
// "hh : mm : ss : mmm " in front.
bool HasRecordTime(std::string_view line);

// A stamped line without its CR LF, as the statistics read it; the time only
// when the stamp is there. Bytes past the end read as NUL.
DecodedLine DecodeStamped(std::string_view record);
// A record line of the log file, 33 or 40 bytes.
DecodedLine DecodeRecordLine(std::string_view line);

// The record line of a stamped line with its line end (FormatLogLine).
std::string RecordLineOf(std::string_view stampedLine);

// Two characters read as atoi reads them: blanks, a sign, digits up to the first other.
int TwoDigits(char first, char second);

}  // namespace recordlayout

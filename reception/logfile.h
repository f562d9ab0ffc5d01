#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "localtime.h"

class Statistics;

// "YYYY.MM.DD_hh-mm-ss.txt", the name of the log file of a run started at `time`.
std::string MakeLogName(const LocalTime& time);

// The record line of a stamped line (stamp, received bytes, normally CR LF):
// 33 bytes in the short layout, 40 in the long one (used when the stamped line
// is longer than 28 bytes), ending in LF. Positions past the line hold NUL.
std::string FormatLogLine(std::string_view stampedLine);

// What a kept file gets after "End": CR LF, 4 spaces and, if any slot has a
// transmitter number, the header and the 61 rows of gap counts.
std::string FormatSummary(const Statistics& statistics);

// The log file of one reading run. Every write goes straight to the kernel,
// so a killed process loses nothing that was written.
class LogFile {
 public:
  LogFile() = default;
  ~LogFile();
  LogFile(LogFile&& other) noexcept;
  LogFile& operator=(LogFile&& other) noexcept;
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // Creates a new file named after `start` in `directory`. An existing file is
  // never replaced: a name already taken gets "_2", "_3", ... before ".txt".
  // On failure returns nothing and sets `error` to the path and the reason.
  static std::optional<LogFile> Create(const std::filesystem::path& directory,
                                       const LocalTime& start, std::string& error);

  // Appends `bytes` at the end. False when the write failed; the first
  // failure is kept in FirstError().
  bool Append(std::string_view bytes);
  void Close();
  // Closes and removes the file.
  void Delete();

  bool IsOpen() const { return fd >= 0; }
  const std::filesystem::path& Path() const { return path; }
  const std::string& FirstError() const { return firstError; }

 private:
  int fd = -1;
  std::filesystem::path path;
  std::string firstError;
};

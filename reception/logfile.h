#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// The system calls through which a log file is written, so that tests can make
// them fail (ENOSPC, EFBIG, EIO, EINTR, a short write, a hung store).
struct LogFileCalls {
  ssize_t (*write)(int fd, const void* bytes, std::size_t count);
  int (*fdatasync)(int fd);
  ssize_t (*pread)(int fd, void* bytes, std::size_t count, off_t offset);
  int (*close)(int fd);
  // Creates a new file for reading and appending (O_EXCL): a descriptor, or -1 and errno.
  int (*create)(const char* path);
};
extern const LogFileCalls kSystemLogFileCalls;

// Where a log whose own folder cannot take it any more is kept at the end of
// a run, in order: the user's state folder, the cache folder, the temporary
// folder (each with "delvarine" under it but the last).
std::vector<std::filesystem::path> LogFallbackFolders();

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
                                       const LocalTime& start, std::string& error,
                                       const LogFileCalls& calls = kSystemLogFileCalls);

  // Appends `bytes` whole or not at all: after a failed or short write the
  // file is cut back to its end before the call. False when the write failed;
  // LastError() says why.
  bool Append(std::string_view bytes);
  // Flushes what was written to the disk. False when that failed.
  bool Sync();
  // False when the system reported a failure at the close (a network share or
  // a failing stick reports its write errors there).
  bool Close();
  // Closes and removes the file.
  void Delete();

  // True when the file is no longer reachable under Path(): it, or its
  // folder, was deleted or replaced.
  bool IsGone() const;
  // Makes the file anew in `directory` (its own folder when empty) under its
  // name or the next free "_N" of the name it was created with, creating the
  // folder if it is missing, with everything written so far that can be read
  // back, and goes on in it. `missingLines` is set to the lines the new file
  // lacks because reading them back failed. False with `error` set when
  // nothing could be made; the old file stays in use.
  bool Recreate(std::string& error, std::int64_t& missingLines,
                const std::filesystem::path& directory = {});

  bool IsOpen() const { return fd >= 0; }
  const std::filesystem::path& Path() const { return path; }
  const std::string& LastError() const { return lastError; }
  // Lines in the file: those of whole writes, less any a remade file lacks.
  std::int64_t Lines() const { return lines; }

  const LogFileCalls* calls = &kSystemLogFileCalls;

 private:
  int fd = -1;
  std::filesystem::path path;
  std::string stem;        // the name it was created with, without "_N" and ".txt"
  std::uint64_t size = 0;  // bytes of whole writes
  std::int64_t lines = 0;
  std::string lastError;
};

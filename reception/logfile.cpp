#include "logfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "slotcontrols.h"
#include "statistics.h"
#include "textformat.h"

std::string MakeLogName(const LocalTime& time) {
  return PaddedNumber(time.year, 4) + '.' + PaddedNumber(time.month, 2) + '.' +
         PaddedNumber(time.day, 2) + '_' + PaddedNumber(time.hour, 2) + '-' +
         PaddedNumber(time.minute, 2) + '-' + PaddedNumber(time.second, 2) + ".txt";
}

std::string FormatLogLine(std::string_view line) {
  const auto at = [&](std::size_t i) { return i < line.size() ? line[i] : '\0'; };
  // p<n>: the n-th received byte after the 13-byte stamp.
  const auto p = [&](std::size_t n) { return at(13 + n); };
  std::string out;
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

std::string FormatSummary(const Statistics& statistics) {
  std::string out = "\r\n    ";
  std::string header;
  int numbered = 0;
  for (const auto& number : statistics.txNumber) {
    if (number.size() != 4) continue;
    header += number + "    ";
    ++numbered;
  }
  if (numbered == 0) return out;
  out += header + "\r\n";
  for (int i = 0; i < kGapRows; ++i) {
    out += PaddedNumber(i, 2) + "  ";
    for (int k = 0; k < kSlotCount; ++k) {
      if (statistics.txNumber[static_cast<std::size_t>(k)].size() != 4) continue;
      std::string count = std::to_string(
          statistics.gapCount[static_cast<std::size_t>(k)][static_cast<std::size_t>(i)]);
      if (count.size() < 8) count.append(8 - count.size(), ' ');
      out += count;
    }
    out += "\r\n";
  }
  return out;
}

LogFile::~LogFile() { Close(); }

LogFile::LogFile(LogFile&& other) noexcept
    : fd(other.fd), path(std::move(other.path)), firstError(std::move(other.firstError)) {
  other.fd = -1;
}

LogFile& LogFile::operator=(LogFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd = other.fd;
    path = std::move(other.path);
    firstError = std::move(other.firstError);
    other.fd = -1;
  }
  return *this;
}

std::optional<LogFile> LogFile::Create(const std::filesystem::path& directory,
                                       const LocalTime& start, std::string& error) {
  const std::string name = MakeLogName(start);
  const std::string stem = name.substr(0, name.size() - 4);
  for (int attempt = 1; attempt < 1000; ++attempt) {
    const std::string candidate =
        attempt == 1 ? name : stem + "_" + std::to_string(attempt) + ".txt";
    LogFile file;
    file.path = directory / candidate;
    file.fd = ::open(file.path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0644);
    if (file.fd >= 0) return file;
    if (errno != EEXIST) {
      error = "cannot create " + file.path.string() + ": " + std::strerror(errno);
      return std::nullopt;
    }
  }
  error = "cannot create a log file in " + directory.string() + ": every name is taken";
  return std::nullopt;
}

bool LogFile::Append(std::string_view bytes) {
  if (fd < 0) return false;
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (firstError.empty()) {
        firstError = "cannot write " + path.string() + ": " + std::strerror(n < 0 ? errno : EIO);
      }
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

void LogFile::Close() {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

void LogFile::Delete() {
  Close();
  if (!path.empty()) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  }
}

#include "logfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "recordlayout.h"
#include "slotcontrols.h"
#include "statistics.h"
#include "textformat.h"

std::string MakeLogName(const LocalTime& time) {
  return PaddedNumber(time.year, 4) + '.' + PaddedNumber(time.month, 2) + '.' +
         PaddedNumber(time.day, 2) + '_' + PaddedNumber(time.hour, 2) + '-' +
         PaddedNumber(time.minute, 2) + '-' + PaddedNumber(time.second, 2) + ".txt";
}

std::string FormatLogLine(std::string_view line) { return recordlayout::RecordLineOf(line); }

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

const LogFileCalls kSystemLogFileCalls = {::write, ::fdatasync};

LogFile::~LogFile() { Close(); }

LogFile::LogFile(LogFile&& other) noexcept
    : calls(other.calls),
      fd(other.fd),
      path(std::move(other.path)),
      size(other.size),
      lastError(std::move(other.lastError)) {
  other.fd = -1;
}

LogFile& LogFile::operator=(LogFile&& other) noexcept {
  if (this != &other) {
    Close();
    calls = other.calls;
    fd = other.fd;
    path = std::move(other.path);
    size = other.size;
    lastError = std::move(other.lastError);
    other.fd = -1;
  }
  return *this;
}

int LogFile::OpenNew(const std::filesystem::path& path) {
  // Read and write: a deleted file's lines are read back when it is made anew.
  return ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0644);
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
    file.fd = OpenNew(file.path);
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
  std::string_view left = bytes;
  while (!left.empty()) {
    const ssize_t n = calls->write(fd, left.data(), left.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int reason = n < 0 ? errno : EIO;
      lastError = "cannot write " + path.string() + ": " + std::strerror(reason);
      // No torn line: whatever part of it went in is taken out again.
      if (left.size() != bytes.size()) {
        while (::ftruncate(fd, static_cast<off_t>(size)) != 0 && errno == EINTR) {
        }
      }
      return false;
    }
    left.remove_prefix(static_cast<std::size_t>(n));
  }
  size += bytes.size();
  return true;
}

bool LogFile::Sync() {
  if (fd < 0) return false;
  if (calls->fdatasync(fd) == 0) return true;
  lastError = "cannot flush " + path.string() + " to the disk: " + std::strerror(errno);
  return false;
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

bool LogFile::IsGone() const {
  if (fd < 0) return false;
  struct stat open {};
  struct stat named {};
  if (::fstat(fd, &open) != 0) return false;
  if (open.st_nlink == 0) return true;
  if (::stat(path.c_str(), &named) != 0) return errno == ENOENT || errno == ENOTDIR;
  return named.st_ino != open.st_ino || named.st_dev != open.st_dev;
}

bool LogFile::Recreate(std::string& error) {
  std::error_code ec;
  const std::filesystem::path directory = path.parent_path();
  if (!directory.empty()) std::filesystem::create_directories(directory, ec);
  if (ec) {
    error = "cannot create " + directory.string() + ": " + ec.message();
    return false;
  }
  const std::string name = path.filename().string();
  const std::string stem = name.size() > 4 ? name.substr(0, name.size() - 4) : name;
  std::filesystem::path made;
  int madeFd = -1;
  for (int attempt = 1; attempt < 1000 && madeFd < 0; ++attempt) {
    made = attempt == 1 ? path : directory / (stem + "_" + std::to_string(attempt) + ".txt");
    madeFd = OpenNew(made);
    if (madeFd < 0 && errno != EEXIST) {
      error = "cannot create " + made.string() + ": " + std::strerror(errno);
      return false;
    }
  }
  if (madeFd < 0) {
    error = "cannot create a log file in " + directory.string() + ": every name is taken";
    return false;
  }
  // The lines written so far are still readable through the old file.
  std::string buffer(1 << 16, '\0');
  std::uint64_t copied = 0;
  while (copied < size) {
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size - copied));
    const ssize_t n = ::pread(fd, buffer.data(), want, static_cast<off_t>(copied));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    std::string_view chunk(buffer.data(), static_cast<std::size_t>(n));
    while (!chunk.empty()) {
      const ssize_t w = calls->write(madeFd, chunk.data(), chunk.size());
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        error = "cannot write " + made.string() + ": " + std::strerror(w < 0 ? errno : EIO);
        ::close(madeFd);
        ::unlink(made.c_str());
        return false;
      }
      chunk.remove_prefix(static_cast<std::size_t>(w));
    }
    copied += static_cast<std::uint64_t>(n);
  }
  ::close(fd);
  fd = madeFd;
  path = made;
  size = copied;
  return true;
}

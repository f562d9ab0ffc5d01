#include "logfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
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

namespace {

int CreateNew(const char* path) {
  // Read and write: a deleted file's lines are read back when it is made anew.
  return ::open(path, O_RDWR | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0644);
}

std::string Reason(int error) { return std::strerror(error); }

}  // namespace

const LogFileCalls kSystemLogFileCalls = {::write, ::fdatasync, ::pread, ::close, CreateNew};

std::vector<std::filesystem::path> LogFallbackFolders() {
  std::vector<std::filesystem::path> folders;
  const auto variable = [](const char* name) -> std::filesystem::path {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] == '/' ? std::filesystem::path(value)
                                               : std::filesystem::path();
  };
  const std::filesystem::path home = variable("HOME");
  std::filesystem::path state = variable("XDG_STATE_HOME");
  if (state.empty() && !home.empty()) state = home / ".local" / "state";
  std::filesystem::path cache = variable("XDG_CACHE_HOME");
  if (cache.empty() && !home.empty()) cache = home / ".cache";
  if (!state.empty()) folders.push_back(state / "delvarine");
  if (!cache.empty()) folders.push_back(cache / "delvarine");
  std::error_code ec;
  const std::filesystem::path temporary = std::filesystem::temp_directory_path(ec);
  folders.push_back(ec ? std::filesystem::path("/tmp") : temporary);
  return folders;
}

LogFile::~LogFile() { Close(); }

LogFile::LogFile(LogFile&& other) noexcept
    : calls(other.calls),
      fd(other.fd),
      path(std::move(other.path)),
      stem(std::move(other.stem)),
      size(other.size),
      lines(other.lines),
      lastError(std::move(other.lastError)) {
  other.fd = -1;
}

LogFile& LogFile::operator=(LogFile&& other) noexcept {
  if (this != &other) {
    Close();
    calls = other.calls;
    fd = other.fd;
    path = std::move(other.path);
    stem = std::move(other.stem);
    size = other.size;
    lines = other.lines;
    lastError = std::move(other.lastError);
    other.fd = -1;
  }
  return *this;
}

std::optional<LogFile> LogFile::Create(const std::filesystem::path& directory,
                                       const LocalTime& start, std::string& error,
                                       const LogFileCalls& calls) {
  const std::string name = MakeLogName(start);
  const std::string stem = name.substr(0, name.size() - 4);
  for (int attempt = 1; attempt < 1000; ++attempt) {
    const std::string candidate =
        attempt == 1 ? name : stem + "_" + std::to_string(attempt) + ".txt";
    LogFile file;
    file.calls = &calls;
    file.stem = stem;
    file.path = directory / candidate;
    file.fd = calls.create(file.path.c_str());
    if (file.fd >= 0) return file;
    if (errno != EEXIST) {
      error = "cannot create " + file.path.string() + ": " + Reason(errno);
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
      lastError = "cannot write " + path.string() + ": " + Reason(reason);
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
  lines += std::count(bytes.begin(), bytes.end(), '\n');
  return true;
}

bool LogFile::Sync() {
  if (fd < 0) return false;
  if (calls->fdatasync(fd) == 0) return true;
  lastError = "cannot flush " + path.string() + " to the disk: " + Reason(errno);
  return false;
}

bool LogFile::Close() {
  if (fd < 0) return true;
  const int result = calls->close(fd);
  fd = -1;
  // After EINTR the descriptor is closed all the same, and nothing was lost.
  if (result == 0 || errno == EINTR) return true;
  lastError = "cannot close " + path.string() + ": " + Reason(errno);
  return false;
}

void LogFile::Delete() {
  // A name whose file was deleted may hold another file by now: not ours.
  const bool ours = !IsGone();
  Close();
  if (ours && !path.empty()) {
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

bool LogFile::Recreate(std::string& error, std::int64_t& missingLines,
                       const std::filesystem::path& into) {
  missingLines = 0;
  std::error_code ec;
  const std::filesystem::path directory = into.empty() ? path.parent_path() : into;
  if (!directory.empty()) std::filesystem::create_directories(directory, ec);
  if (ec) {
    error = "cannot create " + directory.string() + ": " + ec.message();
    return false;
  }
  // Its own name first, then the next free "_N" of the name it began with.
  const std::string base = stem.empty() ? path.stem().string() : stem;
  std::filesystem::path made;
  int madeFd = -1;
  for (int attempt = 1; attempt < 1000 && madeFd < 0; ++attempt) {
    made = directory / (attempt == 1 ? path.filename().string()
                                     : base + "_" + std::to_string(attempt) + ".txt");
    madeFd = calls->create(made.c_str());
    if (madeFd < 0 && errno != EEXIST) {
      error = "cannot create " + made.string() + ": " + Reason(errno);
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
  std::uint64_t wholeLines = 0;  // bytes up to the last LF copied
  std::int64_t copiedLines = 0;
  std::string readError;
  while (copied < size) {
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size - copied));
    const ssize_t n = calls->pread(fd, buffer.data(), want, static_cast<off_t>(copied));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      readError = "cannot read back " + path.string() + ": " +
                  (n < 0 ? Reason(errno) : std::string("it ends early"));
      break;
    }
    std::string_view chunk(buffer.data(), static_cast<std::size_t>(n));
    const std::size_t lastLf = chunk.rfind('\n');
    if (lastLf != std::string_view::npos) wholeLines = copied + lastLf + 1;
    copiedLines += std::count(chunk.begin(), chunk.end(), '\n');
    while (!chunk.empty()) {
      const ssize_t w = calls->write(madeFd, chunk.data(), chunk.size());
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        error = "cannot write " + made.string() + ": " + Reason(w < 0 ? errno : EIO);
        calls->close(madeFd);
        ::unlink(made.c_str());
        return false;
      }
      chunk.remove_prefix(static_cast<std::size_t>(w));
    }
    copied += static_cast<std::uint64_t>(n);
  }
  if (copied < size) {
    // What could not be read back is missing: the copy ends at its last whole
    // line, and the lines after it are counted.
    while (::ftruncate(madeFd, static_cast<off_t>(wholeLines)) != 0 && errno == EINTR) {
    }
    copied = wholeLines;
    missingLines = lines - copiedLines;
    lastError = readError;
  }
  calls->close(fd);
  fd = madeFd;
  path = made;
  size = copied;
  lines = copiedLines;
  return true;
}

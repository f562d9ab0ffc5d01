#include "transmitterlist.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#include "slotcontrols.h"
#include "wholefile.h"

namespace {

// Eight records of 6 bytes need 48; more than this cannot be a transmitter list.
constexpr std::size_t kReadLimit = 4096;

bool IsNumberCharacter(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 0x20 && byte != 0x7F;
}

}  // namespace

TransmitterList LoadTransmitterList(const std::filesystem::path& path) {
  TransmitterList list;
  // Non-blocking, so that a FIFO under the name cannot hold the program.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (errno != ENOENT)
      list.problem = "cannot read " + path.string() + ": " + std::strerror(errno);
    return list;
  }
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    list.problem = "cannot read " + path.string() + ": it is not a file but " +
                   (S_ISDIR(status.st_mode)    ? "a folder"
                    : S_ISFIFO(status.st_mode) ? "a FIFO"
                                               : "a device");
    ::close(fd);
    return list;
  }
  std::string content(kReadLimit, '\0');
  std::size_t filled = 0;
  while (filled < content.size()) {
    const ssize_t n = ::read(fd, content.data() + filled, content.size() - filled);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      list.problem = "cannot read " + path.string() + ": " + std::strerror(errno);
      ::close(fd);
      return list;
    }
    if (n == 0) break;
    filled += static_cast<std::size_t>(n);
  }
  ::close(fd);
  content.resize(filled);
  // Notepad saves UTF-8 with a byte order mark in front. A first line of
  // exactly four bytes is a number as saved, even one that begins with those
  // bytes, and stays whole.
  const std::size_t firstLineEnd = std::min(content.find_first_of("\r\n"), content.size());
  if (content.starts_with("\xEF\xBB\xBF") && firstLineEnd != 4) content.erase(0, 3);

  std::size_t position = 0;
  int lineNumber = 0;
  while (position < content.size() && list.numbers.size() < static_cast<std::size_t>(kSlotCount)) {
    ++lineNumber;
    std::size_t end = content.find('\n', position);
    const bool lastLine = end == std::string::npos;
    if (lastLine) end = content.size();
    std::string line = content.substr(position, end - position);
    position = lastLine ? content.size() : end + 1;
    // Editors leave blank lines and trailing white space; neither is a number.
    // A number may end in a space itself ("z z "), so only what is beyond four
    // characters goes.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    while (line.size() > 4 && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r')) {
      line.pop_back();
    }
    bool valid = line.size() == 4;
    for (char c : line) valid = valid && IsNumberCharacter(c);
    if (!valid) {
      list.problem = path.string() + ": line " + std::to_string(lineNumber) +
                     " is not a 4-character transmitter number; the slots from " +
                     std::to_string(list.numbers.size() + 1) + " on stay empty";
      break;
    }
    list.numbers.push_back(line);
  }
  return list;
}

std::string SaveTransmitterList(const std::filesystem::path& path,
                                const std::vector<std::string>& edits) {
  std::string content;
  for (const std::string& edit : edits) {
    const std::string number = edit.substr(0, 4);
    if (number.size() != 4) continue;
    content += number + "\r\n";
  }
  return WriteFileWhole(path, content);
}

TransmitterList TransmitterStore::Load(const std::filesystem::path& folder) {
  path = folder / "tx.txt";
  TransmitterList list = LoadTransmitterList(path);
  damaged = !list.problem.empty();
  return list;
}

TransmitterStore::SaveProblem TransmitterStore::Save(const std::vector<std::string>& edits) {
  if (damaged) {
    std::filesystem::path aside = path;
    aside += ".bad";
    std::error_code ec;
    std::filesystem::remove_all(aside, ec);
    std::filesystem::rename(path, aside, ec);
    if (ec) {
      return {false,
              "cannot keep " + path.string() + " as " + aside.string() + ": " + ec.message()};
    }
    damaged = false;
  }
  std::error_code ec;
  const bool typed = std::any_of(edits.begin(), edits.end(),
                                 [](const std::string& edit) { return edit.size() >= 4; });
  // Nothing typed and nothing stored: nothing to keep, and no folder to make.
  if (!typed && !std::filesystem::exists(path, ec)) return {};
  // The log folder is made at the first Start; numbers typed before it must
  // not be lost for want of it.
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
  return {true, SaveTransmitterList(path, edits)};
}

#include "wholefile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

std::string WriteFileWhole(const std::filesystem::path& path, std::string_view content,
                           const LogFileCalls& calls) {
  const std::filesystem::path temporary = path.string() + ".new";
  // A copy left by a crash is ours to replace.
  ::unlink(temporary.c_str());
  const int fd = calls.create(temporary.c_str());
  if (fd < 0) return "cannot write " + path.string() + ": " + std::strerror(errno);
  const auto failed = [&](const std::string& what) {
    const std::string reason = std::strerror(errno);
    ::unlink(temporary.c_str());
    return what + ": " + reason;
  };
  std::string_view rest = content;
  while (!rest.empty()) {
    const ssize_t n = calls.write(fd, rest.data(), rest.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      const std::string problem = failed("cannot write " + path.string());
      calls.close(fd);
      return problem;
    }
    rest.remove_prefix(static_cast<std::size_t>(n));
  }
  // On the disk before it replaces the old file, so a power cut leaves one
  // of the two whole; a failing stick or share says so here or at the close.
  if (calls.fdatasync(fd) != 0) {
    const std::string problem = failed("cannot write " + path.string());
    calls.close(fd);
    return problem;
  }
  if (calls.close(fd) != 0 && errno != EINTR) return failed("cannot write " + path.string());
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    return failed("cannot replace " + path.string());
  }
  // The rename itself reaches the disk with the folder.
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return {};
}

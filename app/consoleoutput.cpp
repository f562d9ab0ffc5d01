#include "consoleoutput.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

ConsoleOutput::ConsoleOutput(int outputFd, std::size_t bufferCapacity)
    : fd(outputFd), capacity(bufferCapacity) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return;
  // A file, or a device that is no terminal (/dev/null), takes every line at
  // once: nothing is ever left out there.
  neverBlocks = S_ISREG(info.st_mode) || S_ISBLK(info.st_mode) ||
                (S_ISCHR(info.st_mode) && ::isatty(fd) == 0);
  if (neverBlocks || (!S_ISCHR(info.st_mode) && !S_ISFIFO(info.st_mode))) return;
  // O_NONBLOCK on the shared description would change the shell's terminal
  // too; a description of our own changes nothing outside this program.
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  const int own = ::open(self.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (own >= 0) {
    fd = own;
    ownFd = true;
  }
}

ConsoleOutput::~ConsoleOutput() {
  if (ownFd) ::close(fd);
}

namespace {

std::string NotShownNote(std::int64_t lines) {
  // Appended rather than "[" + ...: gcc 12 at -O3 warns falsely (-Wrestrict)
  // about a literal put before a string.
  std::string note(1, '[');
  note += std::to_string(lines);
  note += " lines not shown: the output was blocked; the log has them all]\n";
  return note;
}

}  // namespace

void ConsoleOutput::Append(std::string_view line) {
  if (closed) return;
  if (pendingStart > 0 && pendingStart == pending.size()) {
    pending.clear();
    pendingStart = 0;
  }
  // Once there is room again the note goes where the lines were left out.
  if (neverBlocks && pending.size() - pendingStart + line.size() > capacity) Flush();
  const std::string note = droppedSinceNote > 0 ? NotShownNote(droppedSinceNote) : std::string();
  if (pending.size() - pendingStart + note.size() + line.size() > capacity && !neverBlocks) {
    ++droppedSinceNote;
    ++droppedTotal;
    return;
  }
  pending += note;
  droppedSinceNote = 0;
  pending += line;
}

ConsoleOutput::State ConsoleOutput::Flush() {
  if (closed) return State::kClosed;
  for (;;) {
    if (pendingStart == pending.size()) {
      pending.clear();
      pendingStart = 0;
      if (droppedSinceNote == 0) return State::kFlowing;
      // Everything queued went out and nothing came after the gap.
      pending = NotShownNote(droppedSinceNote);
      droppedSinceNote = 0;
    }
    const ssize_t n = ::write(fd, pending.data() + pendingStart, pending.size() - pendingStart);
    if (n > 0) {
      pendingStart += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return State::kFlowing;
    closed = true;
    closeReason = std::strerror(n < 0 ? errno : EIO);
    pending.clear();
    pendingStart = 0;
    return State::kClosed;
  }
}

ConsoleOutput::State ConsoleOutput::Drain(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const State state = Flush();
    if (state == State::kClosed || !HasPending()) return state;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return state;
    pollfd out = {fd, POLLOUT, 0};
    ::poll(&out, 1, static_cast<int>(left.count()));
  }
}

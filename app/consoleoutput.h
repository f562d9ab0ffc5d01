#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Standard output or error as the reading sees it: it never waits. Lines wait
// in a bounded buffer and go out as the other side takes them; when a stopped
// terminal (Ctrl-S), a paused pager or a full pipe takes nothing, new lines
// are dropped and counted, and once there is room again one note, where they
// were left out, says how many were not shown. A file or /dev/null is
// written as the buffer fills and loses nothing.
class ConsoleOutput {
 public:
  enum class State { kFlowing, kClosed };

  // `fd` stays open; a terminal, pipe or FIFO is written through a
  // non-blocking description of its own, so the shell's is left alone.
  ConsoleOutput(int fd, std::size_t capacity);
  ~ConsoleOutput();
  ConsoleOutput(const ConsoleOutput&) = delete;
  ConsoleOutput& operator=(const ConsoleOutput&) = delete;

  // Queues `line` (ending in LF); dropped and counted when there is no room.
  void Append(std::string_view line);
  // Writes what the other side takes now. kClosed once it is gone (a closed
  // pipe, a hung-up terminal); nothing is written after that.
  State Flush();
  // Writes what is left, waiting up to `timeout` for the other side.
  State Drain(std::chrono::milliseconds timeout);

  bool HasPending() const { return !pending.empty(); }
  // The descriptor to poll for POLLOUT while HasPending().
  int PollFd() const { return fd; }
  std::int64_t DroppedLines() const { return droppedTotal; }
  const std::string& CloseReason() const { return closeReason; }

 private:
  int fd;
  bool ownFd = false;
  bool neverBlocks = false;
  bool closed = false;
  std::size_t capacity;
  std::string pending;
  std::size_t pendingStart = 0;
  std::int64_t droppedSinceNote = 0;
  std::int64_t droppedTotal = 0;
  std::string closeReason;
};

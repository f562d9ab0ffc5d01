#pragma once

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>

#include "logfile.h"

// A disk that takes no write until the test lets it (a hung network share).
struct StalledDisk {
  static inline std::mutex mutex;
  static inline std::condition_variable released;
  static inline bool stalled = false;
  static inline int waiting = 0;
  static ssize_t Write(int fd, const void* bytes, std::size_t count) {
    std::unique_lock lock(mutex);
    ++waiting;
    released.notify_all();
    released.wait(lock, [] { return !stalled; });
    --waiting;
    return ::write(fd, bytes, count);
  }
  // A store that does not answer at all: creating a file waits too.
  static inline int created = 0;
  static int Create(const char* path) {
    {
      std::unique_lock lock(mutex);
      released.wait(lock, [] { return !stalled; });
    }
    const int fd = kSystemLogFileCalls.create(path);
    std::lock_guard lock(mutex);
    ++created;
    return fd;
  }
  static int Created() {
    std::lock_guard lock(mutex);
    return created;
  }
  static void Set(bool on) {
    {
      std::lock_guard lock(mutex);
      stalled = on;
    }
    released.notify_all();
  }
  static bool WaitForAWriter() {
    std::unique_lock lock(mutex);
    return released.wait_for(lock, std::chrono::seconds(10), [] { return waiting > 0; });
  }
};
inline const LogFileCalls kStalledCalls = [] {
  LogFileCalls calls = kSystemLogFileCalls;
  calls.write = StalledDisk::Write;
  return calls;
}();
inline const LogFileCalls kHungStoreCalls = [] {
  LogFileCalls calls = kStalledCalls;
  calls.create = StalledDisk::Create;
  return calls;
}();

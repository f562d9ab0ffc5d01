#pragma once

#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <string>
#include <string_view>

#include "logfile.h"

// A disk whose failures a test switches on: creating files under a folder
// (a read-only or full store), reading a file back, flushing, closing, and
// writing the run's end. Reads come in small pieces so that a failure can
// fall in the middle of a file.
struct FaultyDisk {
  static inline std::mutex mutex;
  static inline std::string refuseCreateUnder;  // "/" refuses everywhere
  static inline int readsBeforeFailure = -1;    // -1: reads never fail
  static inline std::size_t readPiece = 100;
  static inline bool failSync = false;
  static inline bool failClose = false;
  static inline bool failEnd = false;  // no room for "End" and the table

  static void Reset() {
    std::lock_guard lock(mutex);
    refuseCreateUnder.clear();
    readsBeforeFailure = -1;
    failSync = failClose = failEnd = false;
  }
  static int Create(const char* path) {
    {
      std::lock_guard lock(mutex);
      if (!refuseCreateUnder.empty() && std::string_view(path).starts_with(refuseCreateUnder)) {
        errno = EROFS;
        return -1;
      }
    }
    return kSystemLogFileCalls.create(path);
  }
  static ssize_t Pread(int fd, void* bytes, std::size_t count, off_t offset) {
    {
      std::lock_guard lock(mutex);
      if (readsBeforeFailure == 0) {
        errno = EIO;
        return -1;
      }
      if (readsBeforeFailure > 0) --readsBeforeFailure;
    }
    return ::pread(fd, bytes, std::min(count, readPiece), offset);
  }
  static int Fdatasync(int fd) {
    std::lock_guard lock(mutex);
    if (failSync) {
      errno = EIO;
      return -1;
    }
    return ::fdatasync(fd);
  }
  static int Close(int fd) {
    const int result = ::close(fd);
    std::lock_guard lock(mutex);
    if (failClose) {
      errno = EIO;
      return -1;
    }
    return result;
  }
  static ssize_t Write(int fd, const void* bytes, std::size_t count) {
    {
      std::lock_guard lock(mutex);
      if (failEnd && std::string_view(static_cast<const char*>(bytes), count).starts_with("End")) {
        errno = ENOSPC;
        return -1;
      }
    }
    return ::write(fd, bytes, count);
  }
};
inline const LogFileCalls kFaultyCalls = {FaultyDisk::Write, FaultyDisk::Fdatasync,
                                          FaultyDisk::Pread, FaultyDisk::Close, FaultyDisk::Create};

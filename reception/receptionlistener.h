#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "localtime.h"
#include "recordlayout.h"

// A line of the running reading as the session hands it out, after the
// statistics took it.
struct Reception {
  std::string_view stamped;    // the stamped line, its line end included
  DecodedLine decoded;         // of the line without its last two bytes
  LocalTime time;              // when its LF arrived
  std::int64_t elapsedMs = 0;  // `time` on the clock's jump-free scale
  unsigned countedSlots = 0;   // a bit per slot whose statistics counted it
};

// Hears every line of a reading, in order, on the session owner's thread.
class ReceptionListener {
 public:
  virtual ~ReceptionListener() = default;
  // A run starts, writing its log to `logPath`; `elapsedMs` is now on the
  // jump-free scale.
  virtual void RunStarted(const std::filesystem::path& logPath, std::int64_t elapsedMs) = 0;
  virtual void Received(const Reception& line) = 0;
  // The log was deleted during the run and goes on as `newPath`, with every
  // line written before.
  virtual void LogMoved(const std::filesystem::path& newPath) { (void)newPath; }
  // The run ended; what was heard stays.
  virtual void RunEnded() {}
};

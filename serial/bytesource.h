#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>

// What one read of a byte source gave.
struct ReadResult {
  enum class Status {
    kData,         // `count` bytes were placed in the buffer
    kTimedOut,     // nothing arrived within the read time-out
    kInterrupted,  // Interrupt() woke the read
    kLineLost,     // the line failed or hung up; Reconnect() may bring it back
  };
  Status status = Status::kTimedOut;
  std::size_t count = 0;
  std::string error;  // the system's message for kLineLost

  static ReadResult Data(std::size_t count) { return {Status::kData, count, {}}; }
  static ReadResult TimedOut() { return {Status::kTimedOut, 0, {}}; }
  static ReadResult Interrupted() { return {Status::kInterrupted, 0, {}}; }
  static ReadResult LineLost(std::string error) { return {Status::kLineLost, 0, std::move(error)}; }
};

// A source of received bytes: the serial line, or a scripted source in tests.
class ByteSource {
 public:
  virtual ~ByteSource() = default;

  // Waits until at least one byte is there (returns as soon as it is), the read
  // time-out passes, or Interrupt() is called.
  virtual ReadResult Read(std::span<std::uint8_t> buffer) = 0;

  // Wakes a Read blocked on another thread; the next Read returns kInterrupted
  // at once. Safe to call from any thread.
  virtual void Interrupt() = 0;

  // After kLineLost: waits up to one read time-out (ending early on Interrupt)
  // and tries to open the same line again. True when the line is back.
  virtual bool Reconnect() = 0;

  // After a Reconnect that returned true: what changed about the device
  // behind the name ("was ..., now ..."), or empty when it is the same one.
  virtual std::string TakeDeviceChange() { return {}; }
};

#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "bytesource.h"
#include "logwriter.h"
#include "readingrun.h"

// Anything that happens on the reader thread and a test waits for.
class Signal {
 public:
  // Waits up to `timeout` for `done`, re-checked at every Notify.
  template <typename Done>
  bool WaitFor(Done done, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, timeout, done);
  }
  void Notify() {
    { std::lock_guard lock(mutex); }
    changed.notify_all();
  }

 private:
  std::mutex mutex;
  std::condition_variable changed;
};

// Counts what the reader asks of its source, passing everything through.
class CountingSource final : public ByteSource {
 public:
  CountingSource(ByteSource& inner, Signal& signal) : source(inner), events(signal) {}

  ReadResult Read(std::span<std::uint8_t> buffer) override {
    ++reads;
    events.Notify();
    ReadResult result = source.Read(buffer);
    if (result.status == ReadResult::Status::kData) bytes += result.count;
    events.Notify();
    return result;
  }
  void Interrupt() override { source.Interrupt(); }
  bool Reconnect() override {
    ++reconnects;
    events.Notify();
    return source.Reconnect();
  }
  std::string TakeDeviceChange() override { return source.TakeDeviceChange(); }

  std::atomic<int> reads{0};
  std::atomic<int> reconnects{0};
  std::atomic<std::size_t> bytes{0};

 private:
  ByteSource& source;
  Signal& events;
};

// Records the reader's and the log writer's news.
class RecordingListener : public ReaderListener, public LogListener {
 public:
  explicit RecordingListener(Signal& signal) : events(signal) {}

  void LinesReady() override {
    ++linesReady;
    events.Notify();
  }
  void LineLost(const std::string&) override {
    ++lineLost;
    events.Notify();
  }
  void LineBack(const std::string& change) override {
    {
      std::lock_guard lock(changeMutex);
      deviceChange = change;
    }
    ++lineBack;
    events.Notify();
  }
  void LogWriteFailed(const std::string&) override {
    ++logWriteFailed;
    events.Notify();
  }
  void LogWriteResumed(std::int64_t lostLines) override {
    resumedAfter = lostLines;
    ++logWriteResumed;
    events.Notify();
  }
  void LogRecreated(const std::filesystem::path&, std::int64_t, const std::string&) override {
    ++logRecreated;
    events.Notify();
  }
  void LogFinished(const LogOutcome& outcome) override {
    finishedLost = outcome.lostLines;
    ++logFinished;
    events.Notify();
  }

  std::atomic<int> linesReady{0};
  std::atomic<int> lineLost{0};
  std::atomic<int> lineBack{0};
  std::mutex changeMutex;
  std::string deviceChange;  // of the last LineBack
  std::atomic<int> logWriteFailed{0};
  std::atomic<int> logWriteResumed{0};
  std::atomic<std::int64_t> resumedAfter{-1};
  std::atomic<int> logRecreated{0};
  std::atomic<int> logFinished{0};
  std::atomic<std::int64_t> finishedLost{-1};

 private:
  Signal& events;
};

#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// The process-wide module: a lock count and the monitor that asks the main
// thread to quit once the count has stayed at 0 for 5 seconds after an Unlock
// brought it there. Nothing in the program takes a lock, so the monitor waits
// for the life of the process.
class AppModule {
 public:
  static constexpr int kMonitorTimeoutMs = 5000;

  AppModule() = default;
  ~AppModule();
  AppModule(const AppModule&) = delete;
  AppModule& operator=(const AppModule&) = delete;

  int Lock();
  // Returns the new count; at 0 the monitor starts its wait.
  int Unlock();
  int LockCount() const { return lockCount.load(); }

  // Starts the monitor thread; `quit` is called on that thread when it fires.
  bool StartShutdownMonitor(std::function<void()> quit);

 private:
  void MonitorShutdown();

  std::atomic<int> lockCount{0};
  std::mutex mutex;
  std::condition_variable shutdownEvent;
  bool signalled = false;  // the event, auto-reset
  bool activity = false;
  bool ending = false;  // the module is being destroyed
  std::function<void()> quitMainThread;
  std::thread monitor;
};

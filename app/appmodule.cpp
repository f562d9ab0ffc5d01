#include "appmodule.h"

#include <chrono>

AppModule::~AppModule() {
  {
    std::lock_guard lock(mutex);
    ending = true;
  }
  shutdownEvent.notify_all();
  if (monitor.joinable()) monitor.join();
}

int AppModule::Lock() { return ++lockCount; }

int AppModule::Unlock() {
  const int count = --lockCount;
  if (count == 0) {
    {
      std::lock_guard lock(mutex);
      activity = true;
      signalled = true;
    }
    shutdownEvent.notify_all();
  }
  return count;
}

bool AppModule::StartShutdownMonitor(std::function<void()> quit) {
  quitMainThread = std::move(quit);
  try {
    monitor = std::thread([this] { MonitorShutdown(); });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void AppModule::MonitorShutdown() {
  std::unique_lock lock(mutex);
  for (;;) {
    shutdownEvent.wait(lock, [this] { return signalled || ending; });
    if (ending) return;
    signalled = false;
    // Wait until 5 s pass without a further Unlock to 0.
    for (;;) {
      activity = false;
      const bool again = shutdownEvent.wait_for(lock, std::chrono::milliseconds(kMonitorTimeoutMs),
                                                [this] { return signalled || ending; });
      if (ending) return;
      if (!again) break;
      signalled = false;
    }
    if (!activity && lockCount.load() == 0) break;
  }
  lock.unlock();
  if (quitMainThread) quitMainThread();
}

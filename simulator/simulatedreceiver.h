#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "receiversimulator.h"

// A receiver inside the process: a pseudo-terminal whose other side a thread
// feeds with simulated receptions, `linesPerSecond` of them, while a reader
// holds the line open at 2400 bit/s. Lines sent to nobody are dropped, as a
// real receiver's are. With `linesPerSecond` 0 it floods: every line as soon
// as the line's buffer takes it, none dropped.
class SimulatedReceiver {
 public:
  SimulatedReceiver(ReceiverSimulator::Options options, double linesPerSecond);
  ~SimulatedReceiver();
  SimulatedReceiver(const SimulatedReceiver&) = delete;
  SimulatedReceiver& operator=(const SimulatedReceiver&) = delete;

  // Creates the pseudo-terminal and starts sending. False with `error` set
  // when the pseudo-terminal cannot be made.
  bool Start(std::string& error);
  void Stop();

  // The device a reader opens.
  const std::string& DevicePath() const { return devicePath; }

  // Receptions of each transmitter that reached the line (sent while a reader listened).
  std::vector<long long> Sent();

 private:
  void Send();
  void Flood();
  bool ReaderListening();
  bool Stopping();

  ReceiverSimulator simulator;
  double interval;
  int master = -1;
  int slave = -1;
  std::string devicePath;
  std::thread sender;
  std::mutex mutex;
  std::condition_variable wake;
  bool stopping = false;
  std::vector<long long> sent;  // per transmitter, guarded by `mutex`
  std::optional<std::chrono::steady_clock::time_point> listeningSince;  // sender thread only
};

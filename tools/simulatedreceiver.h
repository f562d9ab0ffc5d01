#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "receiversimulator.h"

// A receiver inside the process: a pseudo-terminal whose other side a thread
// feeds with simulated receptions, `linesPerSecond` of them, while a reader
// holds the line open at 2400 bit/s. Lines sent to nobody are dropped, as a
// real receiver's are.
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
};

#include "simulatedreceiver.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

SimulatedReceiver::SimulatedReceiver(ReceiverSimulator::Options options, double linesPerSecond)
    : simulator(options), interval(1.0 / linesPerSecond), sent(options.numbers.size(), 0) {}

std::vector<long long> SimulatedReceiver::Sent() {
  std::lock_guard lock(mutex);
  return sent;
}

SimulatedReceiver::~SimulatedReceiver() {
  Stop();
  if (master >= 0) ::close(master);
  if (slave >= 0) ::close(slave);
}

bool SimulatedReceiver::Start(std::string& error) {
  char name[256] = {};
  if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
    error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
    return false;
  }
  termios settings{};
  tcgetattr(slave, &settings);
  cfmakeraw(&settings);
  tcsetattr(slave, TCSANOW, &settings);
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  devicePath = name;
  sender = std::thread([this] { Send(); });
  return true;
}

void SimulatedReceiver::Stop() {
  {
    std::lock_guard lock(mutex);
    stopping = true;
  }
  wake.notify_all();
  if (sender.joinable()) sender.join();
}

void SimulatedReceiver::Send() {
  const auto step = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
      std::chrono::duration<double>(interval));
  auto next = std::chrono::steady_clock::now();
  bool listening = false;
  auto listeningSince = next;
  std::unique_lock lock(mutex);
  while (!wake.wait_until(lock, next, [this] { return stopping; })) {
    next += step;
    const ReceiverSimulator::Line line = simulator.Next();
    termios settings{};
    // Only a reader that configured the line (2400 bit/s) is listening, and
    // only once it has purged its input right after that.
    if (tcgetattr(slave, &settings) != 0 || cfgetispeed(&settings) != B2400) {
      listening = false;
      continue;
    }
    const auto now = std::chrono::steady_clock::now();
    if (!listening) {
      listening = true;
      listeningSince = now;
    }
    if (now - listeningSince < std::chrono::milliseconds(100)) continue;
    const ssize_t written = ::write(master, line.bytes.data(), line.bytes.size());
    if (written == static_cast<ssize_t>(line.bytes.size()) && line.transmitter >= 0) {
      ++sent[static_cast<std::size_t>(line.transmitter)];
    }
  }
}

#include "simulatedreceiver.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

SimulatedReceiver::SimulatedReceiver(ReceiverSimulator::Options options, double linesPerSecond)
    : simulator(options),
      interval(linesPerSecond > 0 ? 1.0 / linesPerSecond : 0.0),
      sent(options.numbers.size(), 0) {}

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

bool SimulatedReceiver::ReaderListening() {
  termios settings{};
  // Only a reader that configured the line (2400 bit/s) is listening, and
  // only once it has purged its input right after that.
  if (tcgetattr(slave, &settings) != 0 || cfgetispeed(&settings) != B2400) {
    listeningSince.reset();
    return false;
  }
  const auto now = std::chrono::steady_clock::now();
  if (!listeningSince) listeningSince = now;
  return now - *listeningSince >= std::chrono::milliseconds(100);
}

bool SimulatedReceiver::Stopping() {
  std::lock_guard lock(mutex);
  return stopping;
}

void SimulatedReceiver::Send() {
  if (interval <= 0) {
    Flood();
    return;
  }
  const auto step = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
      std::chrono::duration<double>(interval));
  auto next = std::chrono::steady_clock::now();
  std::unique_lock lock(mutex);
  while (!wake.wait_until(lock, next, [this] { return stopping; })) {
    next += step;
    const ReceiverSimulator::Line line = simulator.Next();
    if (!ReaderListening()) continue;
    const ssize_t written = ::write(master, line.bytes.data(), line.bytes.size());
    if (written == static_cast<ssize_t>(line.bytes.size()) && line.transmitter >= 0) {
      ++sent[static_cast<std::size_t>(line.transmitter)];
    }
  }
}

void SimulatedReceiver::Flood() {
  // Every line goes out whole: a full line buffer holds the sender back.
  while (!Stopping()) {
    if (!ReaderListening()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    const ReceiverSimulator::Line line = simulator.Next();
    std::size_t done = 0;
    while (done < line.bytes.size()) {
      const ssize_t written = ::write(master, line.bytes.data() + done, line.bytes.size() - done);
      if (written > 0) {
        done += static_cast<std::size_t>(written);
        continue;
      }
      if (written < 0 && errno != EAGAIN && errno != EINTR) return;
      if (Stopping()) return;
      pollfd writable{master, POLLOUT, 0};
      ::poll(&writable, 1, 50);
    }
    if (line.transmitter >= 0) {
      std::lock_guard lock(mutex);
      ++sent[static_cast<std::size_t>(line.transmitter)];
    }
  }
}

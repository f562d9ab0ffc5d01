#include "endsignals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <iterator>

namespace {

constexpr int kEndSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The write end for the handler; -1 while no EndSignals exists.
volatile std::sig_atomic_t signalSocket = -1;
struct sigaction previous[std::size(kEndSignals)];

extern "C" void OnEndSignal(int number) {
  const int saved = errno;
  const char byte = static_cast<char>(number);
  // Non-blocking: a full socket already holds a wake-up.
  if (signalSocket >= 0) {
    const ssize_t written = ::write(signalSocket, &byte, 1);
    static_cast<void>(written);
  }
  errno = saved;
}

}  // namespace

EndSignals::EndSignals(std::function<void(int)> callback, QObject* parent)
    : QObject(parent), onSignal(std::move(callback)) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, sockets) != 0) {
    // Without the socket the signals keep their old meaning.
    sockets[0] = sockets[1] = -1;
    return;
  }
  notifier = new QSocketNotifier(sockets[0], QSocketNotifier::Read, this);
  connect(notifier, &QSocketNotifier::activated, this, &EndSignals::Take);
  signalSocket = sockets[1];
  struct sigaction action {};
  action.sa_handler = OnEndSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < std::size(kEndSignals); ++i)
    sigaction(kEndSignals[i], &action, &previous[i]);
}

EndSignals::~EndSignals() {
  if (sockets[0] < 0) return;
  for (std::size_t i = 0; i < std::size(kEndSignals); ++i)
    sigaction(kEndSignals[i], &previous[i], nullptr);
  signalSocket = -1;
  ::close(sockets[0]);
  ::close(sockets[1]);
}

void EndSignals::Take() {
  char bytes[16];
  const ssize_t n = ::read(sockets[0], bytes, sizeof bytes);
  // Several signals before the loop turned end the reading once.
  if (n > 0) onSignal(static_cast<unsigned char>(bytes[0]));
}

#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <string_view>

// A pseudo-terminal pair standing in for the receiver: the test writes the
// receiver's bytes to `master`; the code under test opens `slavePath`.
class PtyPair {
 public:
  PtyPair() {
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
      master = slave = -1;
      return;
    }
    char name[128] = {};
    if (ptsname_r(master, name, sizeof name) == 0) slavePath = name;
  }
  ~PtyPair() {
    CloseSlave();
    CloseMaster();
  }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool IsOpen() const { return master >= 0 && !slavePath.empty(); }

  // Sends `bytes` as the receiver would; true when all were written.
  bool Send(std::string_view bytes) const {
    while (!bytes.empty()) {
      const ssize_t n = ::write(master, bytes.data(), bytes.size());
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }

  // The receiver goes away: the slave side sees a hang-up.
  void CloseMaster() {
    if (master >= 0) ::close(master);
    master = -1;
  }
  void CloseSlave() {
    if (slave >= 0) ::close(slave);
    slave = -1;
  }

  int master = -1;
  int slave = -1;  // kept open by the test to look at the line settings
  std::string slavePath;
};

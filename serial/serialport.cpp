#include "serialport.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "linesettings.h"
#include "openproblem.h"
#include "portcatalog.h"

namespace {

std::string Describe(const char* operation, const std::string& path, int error) {
  return std::string(operation) + " " + path + ": " + std::strerror(error);
}

}  // namespace

SerialPort::SerialPort() { wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK); }

SerialPort::~SerialPort() {
  Close();
  if (wakeFd >= 0) ::close(wakeFd);
}

int SerialPort::Open(const std::string& path) {
  Close();
  devicePath = path;
  problem = {};
  lastError.clear();
  deviceNumber.clear();
  deviceDescription.clear();
  deviceChange.clear();
  if (!path.empty() && !OpenLine()) return 0;
  if (!path.empty()) NoteIdentity();
  opened = 1;
  return 1;
}

void SerialPort::NoteIdentity() {
  const std::string before = deviceNumber;
  const std::string beforeDescription = deviceDescription;
  struct stat status {};
  deviceNumber = ::fstat(device, &status) == 0 ? std::to_string(major(status.st_rdev)) + ":" +
                                                     std::to_string(minor(status.st_rdev))
                                               : std::string();
  deviceDescription = PortCatalog().Describe(devicePath);
  if (before.empty()) return;
  // An adapter that comes back under another number is still the same one
  // when its maker, product and serial number say so.
  const bool same = !deviceDescription.empty() && !beforeDescription.empty()
                        ? deviceDescription == beforeDescription
                        : deviceNumber == before;
  if (same) return;
  const auto describe = [](const std::string& number, const std::string& description) {
    return "device " + number + (description.empty() ? std::string() : " (" + description + ")");
  };
  deviceChange = "was " + describe(before, beforeDescription) + ", now " +
                 describe(deviceNumber, deviceDescription);
}

std::string SerialPort::TakeDeviceChange() { return std::exchange(deviceChange, {}); }

bool SerialPort::OpenLine() {
  // Non-blocking, so a missing carrier cannot stall the open, and never our
  // controlling terminal.
  const int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Fail(errno, false);
  const auto fail = [&](int error) {
    ::close(fd);
    return Fail(error, true);
  };
  if (!isatty(fd)) return fail(ENOTTY);
  // flock holds against every process, root included; TIOCEXCL keeps out
  // programs that do not lock.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(errno);
  if (ioctl(fd, TIOCEXCL) != 0) return fail(errno);
  termios current{};
  if (tcgetattr(fd, &current) != 0) return fail(errno);
  const termios settings = MakeLineSettings(current);
  if (tcsetattr(fd, TCSANOW, &settings) != 0) return fail(errno);
  // A pseudo-terminal has no modem lines, so raising DTR and RTS fails there;
  // the receiver does not need them on such a line.
  int modemLines = TIOCM_DTR | TIOCM_RTS;
  (void)ioctl(fd, TIOCMBIS, &modemLines);
  tcflush(fd, TCIOFLUSH);
  if (!settingsSaved) {
    savedSettings = current;
    settingsSaved = true;
  }
  device = fd;
  return true;
}

bool SerialPort::Fail(int error, bool configuring) {
  problem = DiagnoseOpenFailure(devicePath, error, configuring);
  lastError = EnglishMessage(problem);
  return false;
}

bool SerialPort::WaitForWake(int timeoutMs) {
  pollfd wake{wakeFd, POLLIN, 0};
  int ready;
  do {
    ready = poll(&wake, 1, timeoutMs);
  } while (ready < 0 && errno == EINTR);
  if (ready <= 0) return false;
  std::uint64_t value = 0;
  if (::read(wakeFd, &value, sizeof value) < 0) {
    // already emptied: nothing to take
  }
  return true;
}

ReadResult SerialPort::Read(std::span<std::uint8_t> buffer) {
  if (device < 0) {
    // Open without a line: time out like a silent line instead of spinning.
    return WaitForWake(kReadTimeoutMs) ? ReadResult::Interrupted() : ReadResult::TimedOut();
  }
  pollfd fds[2] = {{device, POLLIN, 0}, {wakeFd, POLLIN, 0}};
  int ready;
  do {
    ready = poll(fds, 2, kReadTimeoutMs);
  } while (ready < 0 && errno == EINTR);
  if (ready < 0) return ReadResult::LineLost(Describe("cannot wait on", devicePath, errno));
  if (ready == 0) return ReadResult::TimedOut();
  if (fds[1].revents & POLLIN) {
    std::uint64_t value = 0;
    if (::read(wakeFd, &value, sizeof value) < 0) {
      // already emptied: nothing to take
    }
    return ReadResult::Interrupted();
  }
  if (fds[0].revents & POLLIN) {
    ssize_t n;
    do {
      n = ::read(device, buffer.data(), buffer.size());
    } while (n < 0 && errno == EINTR);
    if (n > 0) return ReadResult::Data(static_cast<std::size_t>(n));
    if (n < 0 && errno == EAGAIN) return ReadResult::TimedOut();
    if (n == 0) return ReadResult::LineLost("the line " + devicePath + " hung up");
    return ReadResult::LineLost(Describe("cannot read", devicePath, errno));
  }
  // POLLHUP, POLLERR or POLLNVAL without data: the line is gone.
  return ReadResult::LineLost("the line " + devicePath + " hung up");
}

void SerialPort::Interrupt() {
  const std::uint64_t one = 1;
  if (::write(wakeFd, &one, sizeof one) < 0) {
    // a full counter already holds a wake-up
  }
}

bool SerialPort::Reconnect() {
  if (device >= 0) {
    ::close(device);
    device = -1;
  }
  if (devicePath.empty()) return false;
  if (WaitForWake(kReadTimeoutMs)) return false;
  if (!OpenLine()) return false;
  NoteIdentity();
  return true;
}

int SerialPort::PurgeReceive() {
  if (device < 0) return 0;
  return tcflush(device, TCIFLUSH) == 0 ? 1 : 0;
}

void SerialPort::ReleaseLine() {
  opened = 0;
  if (device < 0) return;
  tcflush(device, TCIOFLUSH);
  if (settingsSaved) (void)tcsetattr(device, TCSANOW, &savedSettings);
  (void)ioctl(device, TIOCNXCL);
}

int SerialPort::Close() {
  ReleaseLine();
  if (device >= 0) ::close(device);  // also drops the flock
  device = -1;
  settingsSaved = false;
  // Forget a wake-up nobody consumed, so the next run starts clean.
  std::uint64_t value = 0;
  if (wakeFd >= 0 && ::read(wakeFd, &value, sizeof value) < 0) {
    // nothing was waiting
  }
  return 1;
}

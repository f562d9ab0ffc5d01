#include "serialport.h"

#ifdef _WIN32

// Win32 branch: the calls the line was first written against.
SerialPort::SerialPort() { wakeEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr); }

SerialPort::~SerialPort() {
  Close();
  if (wakeEvent != nullptr) CloseHandle(wakeEvent);
}

int SerialPort::Open(int index) {
  if (index == 0) {
    opened = 1;
    portIndex = 0;
    return 1;
  }
  const std::string path = ports.DevicePath(index);
  if (path.empty()) return 0;
  if (!OpenDevice(path)) return 0;
  portIndex = index;
  return 1;
}

int SerialPort::OpenDevice(const std::string& path) {
  devicePath = path;
  if (!OpenLine()) return 0;
  portIndex = -1;
  return 1;
}

bool SerialPort::OpenLine() {
  const std::string name = "\\\\.\\" + devicePath;
  device = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                       nullptr);
  if (device == INVALID_HANDLE_VALUE) {
    lastError = "cannot open " + devicePath;
    return false;
  }
  opened = 1;
  SetupComm(device, queueSize, queueSize);
  timeouts.ReadIntervalTimeout = 10;
  timeouts.ReadTotalTimeoutMultiplier = 1000;
  timeouts.ReadTotalTimeoutConstant = 100;
  SetCommTimeouts(device, &timeouts);
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  GetCommState(device, &dcb);
  dcb.BaudRate = baudRate;
  dcb.ByteSize = static_cast<BYTE>(byteSize);
  dcb.Parity = static_cast<BYTE>(parity);
  dcb.StopBits = static_cast<BYTE>(stopBits);
  dcb.fBinary = 1;
  dcb.fParity = 1;
  dcb.fOutxCtsFlow = 0;
  dcb.fOutxDsrFlow = 0;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fOutX = 0;
  dcb.fInX = 0;
  dcb.XonLim = 100;
  dcb.XoffLim = 100;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  if (!SetCommState(device, &dcb)) {
    ReleaseLine();
    CloseHandle(device);
    device = INVALID_HANDLE_VALUE;
    lastError = "cannot configure " + devicePath;
    return false;
  }
  PurgeComm(device, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
  return true;
}

ReadResult SerialPort::Read(std::span<std::uint8_t> buffer) {
  if (device == INVALID_HANDLE_VALUE) {
    return WaitForWake(kReadTimeoutMs) ? ReadResult::Interrupted() : ReadResult::TimedOut();
  }
  DWORD n = 0;
  if (!ReadFile(device, buffer.data(), 1, &n, nullptr)) {
    return ReadResult::LineLost("read failed");
  }
  if (n == 0) return ReadResult::TimedOut();
  return ReadResult::Data(n);
}

void SerialPort::Interrupt() {
  if (wakeEvent != nullptr) SetEvent(wakeEvent);
  if (device != INVALID_HANDLE_VALUE) CancelIoEx(device, nullptr);
}

bool SerialPort::WaitForWake(int timeoutMs) {
  return WaitForSingleObject(wakeEvent, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0;
}

bool SerialPort::Reconnect() {
  if (device != INVALID_HANDLE_VALUE) {
    CloseHandle(device);
    device = INVALID_HANDLE_VALUE;
  }
  if (WaitForWake(kReadTimeoutMs)) return false;
  return OpenLine();
}

int SerialPort::PurgeReceive() {
  if (device == INVALID_HANDLE_VALUE) return 0;
  return PurgeComm(device, PURGE_RXABORT | PURGE_RXCLEAR) ? 1 : 0;
}

void SerialPort::ReleaseLine() {
  portIndex = 0;
  opened = 0;
  if (device == INVALID_HANDLE_VALUE) return;
  Sleep(10);
  PurgeComm(device, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
  SetCommMask(device, 0);
  PurgeComm(device, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
}

int SerialPort::Close() {
  ReleaseLine();
  if (device != INVALID_HANDLE_VALUE) CloseHandle(device);
  device = INVALID_HANDLE_VALUE;
  return 1;
}

#else

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "linesettings.h"

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

int SerialPort::Open(int index) {
  if (index == 0) {
    opened = 1;
    portIndex = 0;
    return 1;
  }
  const std::string path = ports.DevicePath(index);
  if (path.empty()) {
    lastError = "no port " + std::to_string(index);
    return 0;
  }
  if (!OpenDevice(path)) return 0;
  portIndex = index;
  return 1;
}

int SerialPort::OpenDevice(const std::string& path) {
  Close();
  devicePath = path;
  if (!OpenLine()) return 0;
  opened = 1;
  portIndex = -1;  // a line is held; Open() replaces this with the port index
  return 1;
}

bool SerialPort::OpenLine() {
  // Non-blocking, so a missing carrier cannot stall the open, and never our
  // controlling terminal.
  const int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    lastError = Describe("cannot open", devicePath, errno);
    return false;
  }
  const auto fail = [&](const char* operation, int error) {
    lastError = Describe(operation, devicePath, error);
    ::close(fd);
    return false;
  };
  if (!isatty(fd)) return fail("not a terminal:", ENOTTY);
  // flock holds against every process, root included; TIOCEXCL keeps out
  // programs that do not lock.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) return fail("cannot lock", errno);
  if (ioctl(fd, TIOCEXCL) != 0) return fail("cannot take", errno);
  termios current{};
  if (tcgetattr(fd, &current) != 0) return fail("cannot read the settings of", errno);
  const termios settings = MakeLineSettings(current);
  if (tcsetattr(fd, TCSANOW, &settings) != 0) return fail("cannot configure", errno);
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
  return OpenLine();
}

int SerialPort::PurgeReceive() {
  if (device < 0) return 0;
  return tcflush(device, TCIFLUSH) == 0 ? 1 : 0;
}

void SerialPort::ReleaseLine() {
  portIndex = 0;
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

#endif

#include "serialport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <vector>

#include "ptypair.h"

namespace {

using namespace std::chrono_literals;
using Status = ReadResult::Status;

// Generous bound for anything that should happen at once; well under the
// 1.1 s read time-out it must beat.
constexpr auto kPrompt = 800ms;

class SerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(pty.IsOpen()); }

  ReadResult ReadOne(SerialPort& port) { return port.Read(byte); }

  PtyPair pty;
  std::array<std::uint8_t, 1> byte{};
};

TEST_F(SerialPortTest, OpenSetsTheReceiverLineSettings) {
  SerialPort port;
  ASSERT_NE(port.Open(pty.slavePath), 0) << port.LastError();
  EXPECT_EQ(port.IsOpen(), 1);

  termios t{};
  ASSERT_EQ(tcgetattr(pty.slave, &t), 0);
  EXPECT_EQ(cfgetispeed(&t), B2400);
  EXPECT_EQ(cfgetospeed(&t), B2400);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL), 0u);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);

  // Close gives the line back as it was found.
  EXPECT_EQ(port.Close(), 1);
  EXPECT_EQ(port.IsOpen(), 0);
  ASSERT_EQ(tcgetattr(pty.slave, &t), 0);
  EXPECT_NE(t.c_lflag & ICANON, 0u);
}

TEST_F(SerialPortTest, OpenIsExclusive) {
  SerialPort first;
  ASSERT_NE(first.Open(pty.slavePath), 0) << first.LastError();
  SerialPort second;
  EXPECT_EQ(second.Open(pty.slavePath), 0);
  EXPECT_EQ(second.IsOpen(), 0);
  EXPECT_NE(second.LastError().find(pty.slavePath), std::string::npos) << second.LastError();
  EXPECT_EQ(second.Close(), 1);

  first.Close();
  EXPECT_NE(second.Open(pty.slavePath), 0) << second.LastError();
}

TEST_F(SerialPortTest, OpenFailuresHoldNothingAndSayWhatHappened) {
  SerialPort port;
  EXPECT_EQ(port.Open("/nonexistent/ttyX"), 0);
  EXPECT_EQ(port.IsOpen(), 0);
  EXPECT_EQ(port.LastProblem().kind, OpenProblem::Kind::kMissing);
  EXPECT_NE(port.LastError().find("/nonexistent/ttyX: there is no such device"), std::string::npos)
      << port.LastError();

  // A plain file is no serial line: it refuses the line settings.
  const auto file = std::filesystem::temp_directory_path() / "delvarine-not-a-tty";
  std::ofstream(file) << "x";
  EXPECT_EQ(port.Open(file.string()), 0);
  EXPECT_EQ(port.IsOpen(), 0);
  EXPECT_EQ(port.LastProblem().kind, OpenProblem::Kind::kSettings);
  std::filesystem::remove(file);

  EXPECT_EQ(port.Close(), 1);
  EXPECT_EQ(port.Close(), 1);
}

TEST_F(SerialPortTest, BusyLineNamesTheProgramThatHoldsTheLock) {
  // This process has the line open without a lock; a child holds the lock.
  const int plain = ::open(pty.slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(plain, 0);
  int ready[2];
  int release[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(release), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(release[1]);
    const int fd = ::open(pty.slavePath.c_str(), O_RDWR | O_NOCTTY);
    char answer = flock(fd, LOCK_EX | LOCK_NB) == 0 ? 'y' : 'n';
    if (::write(ready[1], &answer, 1) != 1) _exit(1);
    _exit(::read(release[0], &answer, 1) < 0 ? 1 : 0);
  }
  ::close(ready[1]);
  ::close(release[0]);
  char locked = 0;
  ASSERT_EQ(::read(ready[0], &locked, 1), 1);
  ASSERT_EQ(locked, 'y');
  SerialPort port;
  EXPECT_EQ(port.Open(pty.slavePath), 0);
  OpenProblem problem = port.LastProblem();
  EXPECT_EQ(problem.kind, OpenProblem::Kind::kBusy);
  EXPECT_NE(problem.holder.find("(PID " + std::to_string(child) + ")"), std::string::npos)
      << problem.holder;
  EXPECT_NE(port.LastError().find("the port is busy, held by"), std::string::npos)
      << port.LastError();
  ::close(release[1]);
  waitpid(child, nullptr, 0);
  ::close(ready[0]);
  ::close(plain);
  // Nobody to name: said so, not left blank.
  problem.holder.clear();
  EXPECT_NE(EnglishMessage(problem).find("held by another program"), std::string::npos);
}

TEST(OpenProblemTest, EachFailureHasItsOwnMessageNamingTheDevice) {
  OpenProblem problem;
  problem.path = "/dev/ttyUSB0";
  problem.reason = "Permission denied";
  problem.kind = OpenProblem::Kind::kPermission;
  problem.group = "dialout";
  EXPECT_NE(EnglishMessage(problem).find("sudo adduser $USER dialout"), std::string::npos);
  const std::string russian = RussianMessage(problem);
  EXPECT_EQ(russian.rfind("Соединение не может быть установлено: нет прав", 0), 0u) << russian;
  EXPECT_NE(russian.find("«dialout»"), std::string::npos);
  EXPECT_NE(russian.find("\n\n/dev/ttyUSB0: Permission denied"), std::string::npos);

  // A group that is not meant for devices is never one to join.
  problem.group = "root";
  problem.owner = "root";
  problem.mode = 0600;
  for (const std::string& text : {EnglishMessage(problem), RussianMessage(problem)}) {
    EXPECT_EQ(text.find("adduser"), std::string::npos) << text;
    EXPECT_NE(text.find("udev"), std::string::npos) << text;
    EXPECT_NE(text.find("0600"), std::string::npos) << text;
  }

  // Busy keeps the words the users know.
  problem.kind = OpenProblem::Kind::kBusy;
  problem.holder = "minicom (PID 42)";
  EXPECT_EQ(
      RussianMessage(problem).rfind("Соединение не может быть установлено, поскольку порт занят.\n"
                                    "Порт занят программой minicom (PID 42).\n\n",
                                    0),
      0u);

  std::vector<std::string> texts;
  for (const auto kind :
       {OpenProblem::Kind::kMissing, OpenProblem::Kind::kPermission, OpenProblem::Kind::kBusy,
        OpenProblem::Kind::kSettings, OpenProblem::Kind::kOther}) {
    problem.kind = kind;
    texts.push_back(RussianMessage(problem));
    EXPECT_NE(EnglishMessage(problem).find("/dev/ttyUSB0"), std::string::npos);
  }
  std::sort(texts.begin(), texts.end());
  EXPECT_EQ(std::unique(texts.begin(), texts.end()), texts.end());

  // Sorted from the system's error numbers.
  EXPECT_EQ(DiagnoseOpenFailure("/dev/x", ENOENT, false).kind, OpenProblem::Kind::kMissing);
  EXPECT_EQ(DiagnoseOpenFailure("/dev/x", EACCES, false).kind, OpenProblem::Kind::kPermission);
  EXPECT_EQ(DiagnoseOpenFailure("/dev/x", EBUSY, false).kind, OpenProblem::Kind::kBusy);
  EXPECT_EQ(DiagnoseOpenFailure("/dev/x", EWOULDBLOCK, true).kind, OpenProblem::Kind::kBusy);
  EXPECT_EQ(DiagnoseOpenFailure("/dev/x", ENOTTY, true).kind, OpenProblem::Kind::kSettings);
  EXPECT_EQ(DiagnoseOpenFailure("/dev/x", EIO, false).kind, OpenProblem::Kind::kOther);
}

TEST_F(SerialPortTest, EmptyPathIsOpenWithoutALine) {
  SerialPort port;
  EXPECT_EQ(port.Open(""), 1);
  EXPECT_EQ(port.IsOpen(), 1);
  port.Interrupt();
  EXPECT_EQ(ReadOne(port).status, Status::kInterrupted);
  EXPECT_EQ(port.Close(), 1);
  EXPECT_EQ(port.IsOpen(), 0);
}

TEST_F(SerialPortTest, SilentLineTimesOut) {
  SerialPort port;
  ASSERT_NE(port.Open(pty.slavePath), 0);
  EXPECT_EQ(ReadOne(port).status, Status::kTimedOut);
}

TEST_F(SerialPortTest, ByteIsReturnedAsSoonAsItArrives) {
  SerialPort port;
  ASSERT_NE(port.Open(pty.slavePath), 0);
  auto read = std::async(std::launch::async, [&] { return ReadOne(port); });
  ASSERT_TRUE(pty.Send("P"));
  ASSERT_EQ(read.wait_for(kPrompt), std::future_status::ready);
  const ReadResult result = read.get();
  ASSERT_EQ(result.status, Status::kData);
  EXPECT_EQ(result.count, 1u);
  EXPECT_EQ(byte[0], 'P');
}

TEST_F(SerialPortTest, BytesCrossTheLineUnchanged) {
  SerialPort port;
  ASSERT_NE(port.Open(pty.slavePath), 0);
  const std::string sent("P\r\n\x00\x7f\x80\xff\x11\x13\x03", 11);
  ASSERT_TRUE(pty.Send(sent));
  std::string received;
  std::array<std::uint8_t, 64> buffer{};
  while (received.size() < sent.size()) {
    const ReadResult result = port.Read(buffer);
    ASSERT_EQ(result.status, Status::kData);
    received.append(reinterpret_cast<const char*>(buffer.data()), result.count);
  }
  EXPECT_EQ(received, sent);
}

TEST_F(SerialPortTest, InterruptWakesABlockedRead) {
  SerialPort port;
  ASSERT_NE(port.Open(pty.slavePath), 0);
  auto read = std::async(std::launch::async, [&] { return ReadOne(port); });
  port.Interrupt();
  ASSERT_EQ(read.wait_for(kPrompt), std::future_status::ready);
  EXPECT_EQ(read.get().status, Status::kInterrupted);
}

TEST_F(SerialPortTest, PurgeReceiveDropsPendingInput) {
  SerialPort port;
  ASSERT_NE(port.Open(pty.slavePath), 0);
  ASSERT_TRUE(pty.Send("P12345678\r\n"));
  pollfd ready{pty.slave, POLLIN, 0};
  ASSERT_EQ(poll(&ready, 1, 2000), 1);
  EXPECT_EQ(port.PurgeReceive(), 1);
  EXPECT_EQ(ReadOne(port).status, Status::kTimedOut);
}

TEST_F(SerialPortTest, HangUpIsALostLine) {
  // Through a link that goes with the line: the freed pseudo-terminal number
  // may be taken at once by another test's new pair.
  const std::filesystem::path link =
      std::filesystem::temp_directory_path() / ("delvarine-hangup-" + std::to_string(::getpid()));
  std::filesystem::remove(link);
  std::filesystem::create_symlink(pty.slavePath, link);
  SerialPort port;
  ASSERT_NE(port.Open(link.string()), 0);
  std::filesystem::remove(link);
  pty.CloseSlave();
  pty.CloseMaster();
  const ReadResult result = ReadOne(port);
  EXPECT_EQ(result.status, Status::kLineLost);
  EXPECT_FALSE(result.error.empty());
  // The device has gone: a reconnect waits a read time-out and fails.
  EXPECT_FALSE(port.Reconnect());
}

}  // namespace

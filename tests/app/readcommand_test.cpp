#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <regex>

#include "reception/tempdir.h"
#include "serial/ptypair.h"
#include "serialport.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// `delvarine` run in `dir` with its output in files there.
class Program {
 public:
  // `stdoutFd`, when given, is the program's standard output instead of a file.
  // `environment` adds NAME=VALUE entries to the test's own.
  Program(const std::filesystem::path& directory, std::vector<std::string> arguments,
          int stdoutFd = -1, std::vector<std::string> environment = {})
      : dir(directory) {
    std::vector<char*> envp;
    for (char** entry = environ; *entry != nullptr; ++entry) {
      const std::string_view name(*entry, std::strcspn(*entry, "="));
      const bool replaced = std::any_of(environment.begin(), environment.end(), [&](auto& added) {
        return added.starts_with(std::string(name) + "=");
      });
      if (!replaced) envp.push_back(*entry);
    }
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    arguments.insert(arguments.begin(), DELVARINE_PROGRAM);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    if (stdoutFd >= 0) {
      posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
    } else {
      posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, (dir / "stdout").c_str(),
                                       O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (dir / "stderr").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  Program(const std::filesystem::path& directory, std::vector<std::string> arguments,
          std::vector<std::string> environment)
      : Program(directory, std::move(arguments), -1, std::move(environment)) {}
  ~Program() {
    if (pid > 0 && !exited) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // The exit code, or -1 when the program did not end within `timeout`.
  int Wait(std::chrono::milliseconds timeout = 10s) {
    if (pid <= 0) return -1;
    const int pidFd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (pidFd < 0) return -1;
    pollfd ended{pidFd, POLLIN, 0};
    const int ready = poll(&ended, 1, static_cast<int>(timeout.count()));
    ::close(pidFd);
    if (ready != 1) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    exited = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  void Signal(int number) const { kill(pid, number); }
  std::string Stdout() const { return ReadFile(dir / "stdout"); }
  std::string Stderr() const { return ReadFile(dir / "stderr"); }

  pid_t pid = -1;

 private:
  std::filesystem::path dir;
  bool exited = false;
};

// Waits, woken by changes of the files in `dir`, until `done` holds.
bool WaitForFiles(const std::filesystem::path& dir, const std::function<bool()>& done,
                  std::chrono::milliseconds timeout = 10s) {
  const int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  if (watch < 0) return false;
  inotify_add_watch(watch, dir.c_str(), IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE);
  const auto deadline = Clock::now() + timeout;
  bool result = done();
  while (!result) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) break;
    pollfd changed{watch, POLLIN, 0};
    poll(&changed, 1, static_cast<int>(left.count()));
    char events[4096];
    while (::read(watch, events, sizeof events) > 0) {
    }
    result = done();
  }
  ::close(watch);
  return result;
}

class ReadCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.IsOpen());
    std::filesystem::create_directory(logDir);
  }

  // The run's log file, once there is exactly one.
  std::filesystem::path LogFile() const {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(logDir)) files.push_back(entry);
    return files.size() == 1 ? files[0] : std::filesystem::path();
  }

  // The program has the line: its log file has "Start".
  bool WaitForStart() {
    return WaitForFiles(logDir, [&] {
      const std::filesystem::path file = LogFile();
      return !file.empty() && ReadFile(file).starts_with("Start\r\n");
    });
  }

  std::vector<std::string> ReadArguments(std::vector<std::string> extra) {
    std::vector<std::string> arguments = {"read", "--device", pty.slavePath, "--log-dir",
                                          logDir.string()};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return arguments;
  }

  PtyPair pty;
  TempDir dir;
  std::filesystem::path logDir = dir / "logs";
};

// "HH:MM:SS:mmm " as the record line lays it out.
std::string LoggedStamp(const std::string& stamp) {
  return stamp.substr(0, 2) + " : " + stamp.substr(3, 2) + " : " + stamp.substr(6, 2) + " : " +
         stamp.substr(9, 3) + " ";
}

TEST_F(ReadCommandTest, PrintsStampedLinesAndKeepsTheLogWithTheSummary) {
  Program program(dir.path, ReadArguments({"--tx", "1234", "--tx", "1111", "--duration", "2"}));
  ASSERT_TRUE(WaitForStart()) << program.Stderr();
  const std::filesystem::path log = LogFile();
  EXPECT_TRUE(std::regex_match(log.filename().string(),
                               std::regex(R"(\d{4}\.\d\d\.\d\d_\d\d-\d\d-\d\d\.txt)")));
  ASSERT_TRUE(
      pty.Send(std::string("P1234\0"
                           "5678\r\nP01234AB12CD3456\r\nZZ\n",
                           34)));
  ASSERT_EQ(program.Wait(), 0) << program.Stderr();

  const std::string out = program.Stdout();
  std::smatch match;
  const std::regex expected(
      R"(((\d\d:\d\d:\d\d:\d{3} )P12345678\r\n)((\d\d:\d\d:\d\d:\d{3} )P01234AB12CD3456\r\n))"
      R"(((\d\d:\d\d:\d\d:\d{3} )ZZ\n))");
  ASSERT_TRUE(std::regex_match(out, match, expected)) << out;

  std::string logged = "Start\r\n" + LoggedStamp(match[2]) + "P 1234  5 678\n" +
                       LoggedStamp(match[4]) + "P0 1234 AB12CD 3 456\n" + LoggedStamp(match[6]) +
                       std::string("Z Z\n\0\0  \0 \0\0\0\n", 14) +
                       "End\r\n    1234    1111    \r\n";
  const std::string content = ReadFile(log);
  ASSERT_EQ(content.substr(0, logged.size()), logged);
  // Two receptions of 1234 within a second or two of each other.
  const std::string rows = content.substr(logged.size());
  EXPECT_EQ(rows.size(), 61u * 22u);
  EXPECT_TRUE(rows.starts_with("00  1       0       \r\n") ||
              rows.starts_with("00  2       0       \r\n"))
      << rows.substr(0, 44);
  EXPECT_NE(program.Stderr().find("Передатчик 1234"), std::string::npos);
}

TEST_F(ReadCommandTest, TheDeviceMayStandAloneAndOptionsTakeAnEqualsSign) {
  Program program(dir.path, {"read", "--log-dir=" + logDir.string(), "--tx=1234", "--duration=0.5",
                             "--", pty.slavePath});
  ASSERT_TRUE(WaitForStart()) << program.Stderr();
  ASSERT_TRUE(pty.Send("P12345678\r\n"));
  ASSERT_EQ(program.Wait(), 0) << program.Stderr();
  EXPECT_NE(ReadFile(LogFile()).find("End\r\n    1234    \r\n"), std::string::npos);
  Program help(dir.path, {"read", "--help"});
  EXPECT_EQ(help.Wait(), 0);
  EXPECT_TRUE(help.Stdout().starts_with("usage: delvarine read")) << help.Stdout();
}

TEST_F(ReadCommandTest, DiscardLeavesNoFile) {
  Program program(dir.path, ReadArguments({"--tx", "1234", "--duration", "0.5", "--discard"}));
  ASSERT_TRUE(WaitForStart()) << program.Stderr();
  ASSERT_TRUE(pty.Send("P12345678\r\n"));
  ASSERT_EQ(program.Wait(), 0) << program.Stderr();
  EXPECT_TRUE(std::filesystem::is_empty(logDir));
}

TEST_F(ReadCommandTest, EndSignalsEndAKeptRun) {
  // SIGHUP is a closed terminal or a dropped ssh session.
  for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
    for (const auto& entry : std::filesystem::directory_iterator(logDir))
      std::filesystem::remove(entry);
    Program program(dir.path, ReadArguments({"--tx", "1234"}));
    ASSERT_TRUE(WaitForStart()) << program.Stderr();
    ASSERT_TRUE(pty.Send("P12345678\r\n"));
    ASSERT_TRUE(
        WaitForFiles(dir.path, [&] { return program.Stdout().ends_with("P12345678\r\n"); }));
    program.Signal(number);
    ASSERT_EQ(program.Wait(), 0) << program.Stderr();
    const std::string content = ReadFile(LogFile());
    EXPECT_NE(content.find("End\r\n    1234    \r\n00  1       \r\n"), std::string::npos)
        << content;
  }
}

// A pipe for the program's standard output; the test holds the read end.
struct OutputPipe {
  OutputPipe() {
    if (pipe2(fds, O_CLOEXEC) != 0) fds[0] = fds[1] = -1;
  }
  ~OutputPipe() {
    CloseReadEnd();
    CloseWriteEnd();
  }
  void CloseReadEnd() {
    if (fds[0] >= 0) ::close(fds[0]);
    fds[0] = -1;
  }
  void CloseWriteEnd() {
    if (fds[1] >= 0) ::close(fds[1]);
    fds[1] = -1;
  }
  int fds[2] = {-1, -1};
};

std::string Burst(std::size_t lines) {
  std::string burst;
  for (std::size_t i = 0; i < lines; ++i) burst += "P12345678\r\n";
  return burst;
}

// Lines of the log file that hold a reception.
std::size_t LoggedReceptions(const std::filesystem::path& log) {
  const std::string content = ReadFile(log);
  std::size_t count = 0;
  for (std::size_t at = content.find(" P "); at != std::string::npos;
       at = content.find(" P ", at + 1))
    ++count;
  return count;
}

TEST_F(ReadCommandTest, BlockedOutputHoldsNeitherTheLogNorTheEnd) {
  // A pipe nobody reads stands for Ctrl-S, a paused pager or a full pipe.
  OutputPipe output;
  Program program(dir.path, ReadArguments({"--tx", "1234"}), output.fds[1]);
  output.CloseWriteEnd();
  ASSERT_TRUE(WaitForStart()) << program.Stderr();
  constexpr std::size_t kLines = 20000;  // far more than the pipe and the program hold
  ASSERT_TRUE(pty.Send(Burst(kLines)));
  // Every line reaches the log while the output is stuck.
  ASSERT_TRUE(WaitForFiles(
      logDir, [&] { return LoggedReceptions(LogFile()) == kLines; }, 30s))
      << LoggedReceptions(LogFile());

  // Once the output flows again, one note says how many were not shown.
  std::string shown;
  const auto deadline = Clock::now() + 30s;
  while (shown.find(" lines not shown") == std::string::npos && Clock::now() < deadline) {
    char buffer[65536];
    pollfd readable{output.fds[0], POLLIN, 0};
    poll(&readable, 1, 1000);
    const ssize_t n = ::read(output.fds[0], buffer, sizeof buffer);
    if (n > 0) shown.append(buffer, static_cast<std::size_t>(n));
  }
  ASSERT_NE(shown.find(" lines not shown"), std::string::npos) << shown.size();
  // Everything the program prints until it ends: each line is shown or
  // counted as not shown, and every one is in the log.
  program.Signal(SIGTERM);
  for (;;) {
    char buffer[65536];
    const ssize_t n = ::read(output.fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    shown.append(buffer, static_cast<std::size_t>(n));
  }
  ASSERT_EQ(program.Wait(), 0) << program.Stderr();
  std::size_t notShown = 0;
  for (std::size_t at = shown.find('['); at != std::string::npos; at = shown.find('[', at + 1)) {
    notShown += std::stoul(shown.substr(at + 1));
  }
  std::size_t printed = 0;
  for (std::size_t at = shown.find("P12345678"); at != std::string::npos;
       at = shown.find("P12345678", at + 1))
    ++printed;
  EXPECT_EQ(printed + notShown, kLines);
  EXPECT_GT(notShown, 0u);
  EXPECT_EQ(LoggedReceptions(LogFile()), kLines);
  std::printf("blocked output: %zu lines sent, %zu logged, %zu shown, %zu not shown\n", kLines,
              LoggedReceptions(LogFile()), printed, notShown);
}

TEST_F(ReadCommandTest, EndSignalEndsTheRunWhileTheOutputIsStuck) {
  OutputPipe output;
  Program program(dir.path, ReadArguments({"--tx", "1234"}), output.fds[1]);
  output.CloseWriteEnd();
  ASSERT_TRUE(WaitForStart()) << program.Stderr();
  ASSERT_TRUE(pty.Send(Burst(20000)));
  ASSERT_TRUE(WaitForFiles(
      logDir, [&] { return LoggedReceptions(LogFile()) == 20000; }, 30s));
  const auto signalled = Clock::now();
  program.Signal(SIGHUP);
  ASSERT_EQ(program.Wait(30s), 0) << program.Stderr();
  std::printf(
      "end after SIGHUP with the output stuck: %lld ms\n",
      static_cast<long long>(
          std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - signalled).count()));
  // Every line logged before the end; the gap table follows "End".
  EXPECT_EQ(LoggedReceptions(LogFile()), 20000u);
  EXPECT_NE(ReadFile(LogFile()).find("End\r\n    1234    \r\n00  "), std::string::npos);
  EXPECT_NE(program.Stderr().find("lines were not shown"), std::string::npos) << program.Stderr();
}

TEST_F(ReadCommandTest, ClosedOutputPipeEndsAKeptRunAndSaysWhy) {
  OutputPipe output;
  Program program(dir.path, ReadArguments({"--tx", "1234"}), output.fds[1]);
  output.CloseWriteEnd();
  ASSERT_TRUE(WaitForStart()) << program.Stderr();
  output.CloseReadEnd();  // as `| head` does when it has had enough
  ASSERT_TRUE(pty.Send("P12345678\r\n"));
  ASSERT_EQ(program.Wait(), 0) << program.Stderr();
  EXPECT_NE(program.Stderr().find("standard output was closed"), std::string::npos)
      << program.Stderr();
  EXPECT_NE(ReadFile(LogFile()).find("P 1234  5 678\nEnd\r\n    1234    \r\n00  1"),
            std::string::npos);
}

TEST_F(ReadCommandTest, LinesTheLogCouldNotTakeAreCountedAndExitIs1) {
  // A file-size limit, inherited by the program: EFBIG like a full disk.
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit = saved;
  // "Start", 120 lines and part of another; the messages fit in the rest.
  limit.rlim_cur = 7 + 120 * 33 + 20;
  OutputPipe output;
  setrlimit(RLIMIT_FSIZE, &limit);
  Program program(dir.path, ReadArguments({"--tx", "1234"}), output.fds[1]);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  output.CloseWriteEnd();
  ASSERT_TRUE(WaitForStart()) << program.Stderr();
  ASSERT_TRUE(pty.Send(Burst(125)));
  ASSERT_TRUE(WaitForFiles(dir.path, [&] {
    return program.Stderr().find("File too large") != std::string::npos;
  })) << program.Stderr();
  program.Signal(SIGTERM);
  EXPECT_EQ(program.Wait(), 1) << program.Stderr();
  // Whole lines only; the summary did not fit either.
  EXPECT_EQ(ReadFile(LogFile()).size(), 7u + 120 * 33);
  EXPECT_NE(program.Stderr().find("5 lines could not be written to the log"), std::string::npos)
      << program.Stderr();
}

// A full disk at Stop: every line kept, but no room for "End" and the table,
// which is said, with exit 1.
TEST_F(ReadCommandTest, AnEndThatDoesNotFitIsSaidWithExit1) {
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit = saved;
  limit.rlim_cur = 7 + 40 * 33;  // "Start" and 40 lines exactly; the brief messages fit
  OutputPipe output;
  setrlimit(RLIMIT_FSIZE, &limit);
  Program program(dir.path, ReadArguments({"--tx", "1234", "--brief"}), output.fds[1]);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  output.CloseWriteEnd();
  ASSERT_TRUE(WaitForStart()) << program.Stderr();
  ASSERT_TRUE(pty.Send(Burst(40)));
  ASSERT_TRUE(WaitForFiles(logDir, [&] { return LoggedReceptions(LogFile()) == 40; }));
  program.Signal(SIGTERM);
  EXPECT_EQ(program.Wait(), 1) << program.Stderr();
  EXPECT_EQ(ReadFile(LogFile()).size(), 7u + 40 * 33);
  EXPECT_NE(program.Stderr().find("the log has no \"End\" and no gap table"), std::string::npos)
      << program.Stderr();
  EXPECT_NE(program.Stderr().find("log: " + LogFile().string()), std::string::npos);
}

// A deleted log whose folder cannot be made again is kept in the state
// folder at the end, and said so; the report names only files that exist.
TEST_F(ReadCommandTest, ADeletedLogItsFolderCannotTakeIsKeptElsewhereAndSaid) {
  const std::filesystem::path state = dir / "state";
  Program program(dir.path, ReadArguments({"--tx", "1234"}), {"XDG_STATE_HOME=" + state.string()});
  ASSERT_TRUE(WaitForStart()) << program.Stderr();
  ASSERT_TRUE(pty.Send(Burst(3)));
  ASSERT_TRUE(WaitForFiles(logDir, [&] { return LoggedReceptions(LogFile()) == 3; }));
  const std::string name = LogFile().filename().string();
  // The folder goes, and a file takes its name.
  std::filesystem::remove_all(logDir);
  WriteFile(logDir, "not a folder");
  ASSERT_TRUE(WaitForFiles(dir.path, [&] {
    return program.Stderr().find("cannot be made anew") != std::string::npos;
  })) << program.Stderr();
  program.Signal(SIGTERM);
  EXPECT_EQ(program.Wait(), 1) << program.Stderr();
  const std::filesystem::path kept = state / "delvarine" / name;
  EXPECT_NE(program.Stderr().find("its lines are kept in " + kept.string()), std::string::npos)
      << program.Stderr();
  EXPECT_NE(program.Stderr().find("log: " + kept.string()), std::string::npos);
  EXPECT_TRUE(ReadFile(kept).starts_with("Start\r\n"));
  EXPECT_EQ(LoggedReceptions(kept), 3u);
  EXPECT_NE(ReadFile(kept).find("End\r\n"), std::string::npos);
}

TEST_F(ReadCommandTest, DurationBeyondTheClockRangeRunsUntilSigterm) {
  Program program(dir.path, ReadArguments({"--tx", "1234", "--duration", "1e300"}));
  ASSERT_TRUE(WaitForStart()) << program.Stderr();
  ASSERT_TRUE(pty.Send("P12345678\r\n"));
  ASSERT_TRUE(WaitForFiles(dir.path, [&] { return program.Stdout().ends_with("P12345678\r\n"); }))
      << program.Stderr();
  program.Signal(SIGTERM);
  EXPECT_EQ(program.Wait(), 0) << program.Stderr();
}

TEST_F(ReadCommandTest, FollowsTheNumbersOfTxTxtWithoutTx) {
  WriteFile(dir / "tx.txt", "4321\r\n1234\r\n");
  Program program(dir.path, ReadArguments({"--duration", "1"}));
  ASSERT_TRUE(WaitForStart()) << program.Stderr();
  // Slots are listed once a 'P' record came, whoever sent it.
  ASSERT_TRUE(pty.Send("P99999999\r\n"));
  ASSERT_EQ(program.Wait(), 0) << program.Stderr();
  EXPECT_NE(ReadFile(LogFile()).find("End\r\n    4321    1234    \r\n"), std::string::npos);
}

TEST_F(ReadCommandTest, EachOpenFailureIsReportedInItsOwnWordsWithExitCode1) {
  SerialPort holder;
  ASSERT_NE(holder.Open(pty.slavePath), 0);
  const std::pair<std::string, std::string> cases[] = {
      {pty.slavePath, "the port is busy, held by "},
      {(dir / "no-such-tty").string(), ": there is no such device"}};
  for (const auto& [device, words] : cases) {
    Program program(dir.path,
                    {"read", "--device", device, "--log-dir", logDir.string(), "--duration", "5"});
    EXPECT_EQ(program.Wait(), 1) << device;
    EXPECT_TRUE(program.Stderr().starts_with("delvarine read: cannot open " + device))
        << program.Stderr();
    EXPECT_NE(program.Stderr().find(words), std::string::npos) << program.Stderr();
    EXPECT_EQ(program.Stdout(), "");
  }
}

TEST_F(ReadCommandTest, PortNumberMeansWhatTheWindowsSettingsMapItTo) {
  // The window's settings file maps COM2 to the receiver.
  const std::filesystem::path config = dir / "config";
  std::filesystem::create_directories(config / "Delvarine");
  std::ofstream(config / "Delvarine/Delvarine.conf") << "[Devices]\nCOM2=" << pty.slavePath << "\n";
  Program program(dir.path, {"read", "--port", "2", "--log-dir", logDir.string(), "--tx", "1234"},
                  {"XDG_CONFIG_HOME=" + config.string()});
  ASSERT_TRUE(WaitForStart()) << program.Stderr();
  ASSERT_TRUE(pty.Send("P12345678\r\n"));
  EXPECT_TRUE(WaitForFiles(logDir, [&] {
    return ReadFile(LogFile()).find("P 1234  5 678") != std::string::npos;
  })) << program.Stderr();
  program.Signal(SIGTERM);
  EXPECT_EQ(program.Wait(), 0) << program.Stderr();
}

TEST_F(ReadCommandTest, PortsListsADeviceUnderItsByIdName) {
  const std::filesystem::path root = dir / "machine";
  std::filesystem::create_directories(root / "dev/serial/by-id");
  const std::filesystem::path link = root / "dev/serial/by-id/usb-Test_Receiver_0001-if00-port0";
  std::filesystem::create_symlink(pty.slavePath, link);
  Program program(dir.path, {"ports"}, {"DELVARINE_DEVICE_ROOT=" + root.string()});
  EXPECT_EQ(program.Wait(), 0) << program.Stderr();
  EXPECT_EQ(program.Stdout(), link.string() + "\n");

  std::filesystem::remove(link);
  Program none(dir.path, {"ports"}, {"DELVARINE_DEVICE_ROOT=" + root.string()});
  EXPECT_EQ(none.Wait(), 0);
  EXPECT_EQ(none.Stdout(), "");
  EXPECT_NE(none.Stderr().find("no serial device found"), std::string::npos) << none.Stderr();
}

TEST_F(ReadCommandTest, LogDirectoryThatCannotBeUsedIsReportedWithExitCode1) {
  const std::string missing = (dir / "missing").string();
  Program program(dir.path, {"read", "--device", pty.slavePath, "--log-dir", missing});
  EXPECT_EQ(program.Wait(), 1);
  EXPECT_NE(program.Stderr().find(missing), std::string::npos) << program.Stderr();
  EXPECT_NE(program.Stderr().find("No such file or directory"), std::string::npos);
}

TEST_F(ReadCommandTest, BadArgumentsPrintTheUsageAndExit2) {
  const std::vector<std::vector<std::string>> cases = {
      {"read"},
      {"read", "--device", "/dev/null", "--port", "1"},
      {"read", "--port", "6"},
      {"read", "--port", "x"},
      {"read", "--device", "/dev/null", "--tx", "12345"},
      {"read", "--device", "/dev/null", "--duration", "0"},
      {"read", "--device", "/dev/null", "--duration", "soon"},
      {"read", "--device", "/dev/null", "--bogus"},
      {"read", "/dev/null", "/dev/zero"},
      {"read", "/dev/null", "--discard=no"},
      {"read", "--device"},
      {"read", "--device", "/dev/null", "--tx", "1",    "--tx", "2",    "--tx", "3",    "--tx", "4",
       "--tx", "5",        "--tx",      "6",    "--tx", "7",    "--tx", "8",    "--tx", "9"},
  };
  for (const auto& arguments : cases) {
    Program program(dir.path, arguments);
    EXPECT_EQ(program.Wait(), 2) << arguments.back();
    EXPECT_NE(program.Stderr().find("usage: delvarine read"), std::string::npos);
  }
  EXPECT_TRUE(std::filesystem::is_empty(logDir));
}

}  // namespace

TEST_F(ReadCommandTest, SilenceIsSaidOncePerSilenceAndSoIsTheReturn) {
  Program program(dir.path, ReadArguments({"--tx", "1234", "--tx", "1111", "--silence", "1s"}));
  ASSERT_TRUE(WaitForStart()) << program.Stderr();
  ASSERT_TRUE(pty.Send("P12345678\r\n"));
  const auto said = [&](const std::string& words) {
    return WaitForFiles(dir.path,
                        [&] { return program.Stderr().find(words) != std::string::npos; });
  };
  // 1111 is never heard; 1234 falls silent a second after its line.
  ASSERT_TRUE(said("delvarine read: transmitter 1111 (slot 2) silent for 1 s")) << program.Stderr();
  ASSERT_TRUE(said("delvarine read: transmitter 1234 (slot 1) silent for ")) << program.Stderr();
  ASSERT_TRUE(pty.Send("P12345679\r\n"));
  ASSERT_TRUE(said("delvarine read: transmitter 1234 (slot 1) heard again after "))
      << program.Stderr();
  program.Signal(SIGTERM);
  EXPECT_EQ(program.Wait(), 0) << program.Stderr();
  const std::string err = program.Stderr();
  std::size_t times = 0;
  for (std::size_t at = err.find("1111 (slot 2) silent"); at != std::string::npos;
       at = err.find("1111 (slot 2) silent", at + 1)) {
    ++times;
  }
  EXPECT_EQ(times, 1u) << err;
  // Shown, never written into the log.
  EXPECT_EQ(ReadFile(LogFile()).find("silent"), std::string::npos);
  EXPECT_EQ(Program(dir.path, ReadArguments({"--silence", "soon"})).Wait(), 2);
}

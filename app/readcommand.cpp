#include "readcommand.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "readingsession.h"
#include "stringtable.h"
#include "transmitterlist.h"

const char* const kReadUsage =
    "usage: delvarine read (--device PATH | --port N) [--log-dir DIR] [--tx NUMBER]...\n"
    "                      [--duration SECONDS] [--discard]\n"
    "  --device PATH     read the serial line at PATH\n"
    "  --port N          read COM<N> (1..5): /dev/ttyS<N-1>, or $DELVARINE_COM<N>\n"
    "  --log-dir DIR     write the run's log file into DIR (default: the current directory)\n"
    "  --tx NUMBER       follow the 4-character transmitter NUMBER in the next slot (up to 8);\n"
    "                    without --tx the numbers of ./tx.txt are followed\n"
    "  --duration SECONDS  end after SECONDS (default: on SIGINT or SIGTERM)\n"
    "  --discard         delete the log file at the end instead of keeping it\n";

namespace {

struct ReadOptions {
  std::string device;
  int port = 0;
  std::filesystem::path logDir = ".";
  std::vector<std::string> numbers;
  std::optional<double> duration;
  bool discard = false;
};

void WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

void Error(std::string_view message) {
  std::string line(message);
  line += '\n';
  WriteAll(STDERR_FILENO, line);
}

std::optional<ReadOptions> ParseOptions(const std::vector<std::string>& arguments,
                                        std::string& problem) {
  ReadOptions options;
  bool logDirGiven = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    const auto value = [&]() -> const std::string* {
      if (i + 1 >= arguments.size()) {
        problem = option + " needs a value";
        return nullptr;
      }
      return &arguments[++i];
    };
    if (option == "--device") {
      const std::string* v = value();
      if (!v) return std::nullopt;
      options.device = *v;
    } else if (option == "--port") {
      const std::string* v = value();
      if (!v) return std::nullopt;
      int port = 0;
      const auto [end, error] = std::from_chars(v->data(), v->data() + v->size(), port);
      if (error != std::errc() || end != v->data() + v->size() || port < 1 || port > 5) {
        problem = "--port needs a number from 1 to 5";
        return std::nullopt;
      }
      options.port = port;
    } else if (option == "--log-dir") {
      const std::string* v = value();
      if (!v) return std::nullopt;
      options.logDir = *v;
      logDirGiven = true;
    } else if (option == "--tx") {
      const std::string* v = value();
      if (!v) return std::nullopt;
      if (v->size() != 4) {
        problem = "--tx needs a 4-character transmitter number, not \"" + *v + "\"";
        return std::nullopt;
      }
      if (options.numbers.size() == kSlotCount) {
        problem = "at most 8 transmitters can be followed";
        return std::nullopt;
      }
      options.numbers.push_back(*v);
    } else if (option == "--duration") {
      const std::string* v = value();
      if (!v) return std::nullopt;
      char* end = nullptr;
      const double seconds = std::strtod(v->c_str(), &end);
      if (v->empty() || *end != '\0' || !std::isfinite(seconds) || seconds <= 0) {
        problem = "--duration needs a positive number of seconds";
        return std::nullopt;
      }
      options.duration = seconds;
    } else if (option == "--discard") {
      options.discard = true;
    } else {
      problem = "unknown option " + option;
      return std::nullopt;
    }
  }
  if (options.device.empty() == (options.port == 0)) {
    problem = "give either --device or --port";
    return std::nullopt;
  }
  (void)logDirGiven;
  return options;
}

// The slots of the console: fixed numbers, boxes kept in memory.
class ConsoleSlots final : public SlotControls {
 public:
  explicit ConsoleSlots(const std::vector<std::string>& numbers) {
    for (std::size_t k = 0; k < numbers.size() && k < kSlotCount; ++k) number[k] = numbers[k];
  }
  std::string NumberText(int slot) const override { return number[Index(slot)]; }
  std::string ColumnText(int slot) const override { return column[Index(slot)]; }
  void SetLevelText(int, std::string_view) override {}
  void SetColumnText(int slot, std::string_view text) override { column[Index(slot)] = text; }
  void SetLastLineText(int, std::string_view) override {}

 private:
  static std::size_t Index(int slot) { return static_cast<std::size_t>(slot); }
  std::array<std::string, kSlotCount> number;
  std::array<std::string, kSlotCount> column;
};

// Prints lines as the monitor shows them; wakes the main loop from the reader.
class ConsoleEvents final : public ReadingEvents {
 public:
  ConsoleEvents() : wakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
  ~ConsoleEvents() override {
    if (wakeFd >= 0) ::close(wakeFd);
  }
  int WakeFd() const { return wakeFd; }

  void ClearMonitor() override {}
  void AppendMonitor(std::string_view line) override {
    if (line != "Start\r\n") WriteAll(STDOUT_FILENO, line);
  }
  void LinesReady() override { Wake(); }
  void LineLost(const std::string& reason) override { Error("line lost: " + reason); }
  void LineBack() override { Error("line back"); }
  void LogWriteFailed(const std::string& reason) override { Error(reason); }

 private:
  void Wake() {
    const std::uint64_t one = 1;
    (void)::write(wakeFd, &one, sizeof one);
  }
  int wakeFd;
};

}  // namespace

int RunReadCommand(const std::vector<std::string>& arguments, std::filesystem::path* logPathOut) {
  std::string problem;
  const std::optional<ReadOptions> options = ParseOptions(arguments, problem);
  if (!options) {
    Error("delvarine read: " + problem);
    WriteAll(STDERR_FILENO, kReadUsage);
    return 2;
  }
  std::vector<std::string> numbers = options->numbers;
  if (numbers.empty()) {
    TransmitterList list = LoadTransmitterList("tx.txt");
    if (!list.problem.empty()) Error(list.problem);
    numbers = std::move(list.numbers);
  }

  // SIGINT and SIGTERM end the run through a signalfd; blocked before any
  // thread starts so the reader never takes them.
  sigset_t endSignals;
  sigemptyset(&endSignals);
  sigaddset(&endSignals, SIGINT);
  sigaddset(&endSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);
  const int signalFd = signalfd(-1, &endSignals, SFD_CLOEXEC | SFD_NONBLOCK);

  SystemClock clock;
  ConsoleSlots slots(numbers);
  ConsoleEvents events;
  ReadingSession session(clock, slots, events);
  session.logDir = options->logDir;
  session.portNumber = options->port;

  switch (session.Start(options->device)) {
    case ReadingSession::StartResult::kLogFailed:
    case ReadingSession::StartResult::kThreadFailed:
      Error(session.LastError());
      return 1;
    case ReadingSession::StartResult::kPortFailed:
      Error(std::string(strings::Load(strings::kPortBusy)));
      Error("(" + session.LastError() + ")");
      return 1;
    case ReadingSession::StartResult::kStarted:
      break;
  }

  using Steady = std::chrono::steady_clock;
  std::optional<Steady::time_point> deadline;
  // A duration beyond the steady clock's range would overflow the cast below;
  // such a run lasts as one without a duration.
  constexpr double kLongestDuration = 1e9;  // seconds, about 31 years
  if (options->duration && *options->duration <= kLongestDuration) {
    deadline = Steady::now() + std::chrono::duration_cast<Steady::duration>(
                                   std::chrono::duration<double>(*options->duration));
  }
  for (;;) {
    int timeoutMs = -1;
    if (deadline) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Steady::now());
      if (left.count() <= 0) break;
      timeoutMs = static_cast<int>(std::min<long long>(left.count(), 1 << 30));
    }
    pollfd fds[2] = {{events.WakeFd(), POLLIN, 0}, {signalFd, POLLIN, 0}};
    const int ready = poll(fds, 2, timeoutMs);
    if (ready < 0 && errno != EINTR) break;
    if (fds[1].revents & POLLIN) break;
    if (fds[0].revents & POLLIN) {
      std::uint64_t value = 0;
      (void)::read(events.WakeFd(), &value, sizeof value);
      session.DrainLines();
    }
  }

  session.Halt();
  const std::filesystem::path logPath = session.logPath;
  session.Finish(!options->discard);
  if (signalFd >= 0) ::close(signalFd);

  for (int k = 0; k < kSlotCount; ++k) {
    const std::string& number = session.statistics.txNumber[static_cast<std::size_t>(k)];
    const std::string shown = slots.NumberText(k);
    if (shown.size() != 4) continue;
    std::string column = slots.ColumnText(k);
    if (column.empty()) column = session.statistics.ColumnText(k, {});
    Error("Передатчик " + (number.empty() ? shown : number) + " (слот " + std::to_string(k + 1) +
          "):");
    WriteAll(STDERR_FILENO, column);
  }
  if (!options->discard) Error("log: " + logPath.string());
  if (logPathOut != nullptr) *logPathOut = options->discard ? std::filesystem::path() : logPath;
  return 0;
}

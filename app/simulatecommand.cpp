#include "simulatecommand.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <optional>
#include <random>
#include <thread>

#include "linesettings.h"
#include "localtime.h"
#include "logfile.h"
#include "optionreader.h"
#include "receiversimulator.h"
#include "textformat.h"

const char* const kSimulateUsage =
    "usage: delvarine simulate [--device PATH | --pty] [--tx NUMBER]... [--rate LINES_PER_SECOND]\n"
    "                          [--form short|long|mixed] [--noise] [--seconds N] [--lines N]\n"
    "                          [--realtime] [--seed N] [--log FILE]\n"
    "  --pty           make a pseudo-terminal, print the device a reader should open (default)\n"
    "  --device PATH   write to the serial device at PATH\n"
    "  --tx NUMBER     a transmitter of 4 characters (default 1234 A642 C115 0B17)\n"
    "  --rate N        send N lines per second (default: as fast as the reader takes them,\n"
    "                  or the transmitters' own periods with --realtime)\n"
    "  --form F        short (default), long or mixed receiver lines\n"
    "  --noise         mix in non-reception lines, NUL bytes, bare LFs, overlong lines\n"
    "  --seconds N     stop after N seconds\n"
    "  --lines N       stop after N lines\n"
    "  --realtime      pace the bytes at 2400 bit/s\n"
    "  --seed N        seed of the random jitter and levels (default 1)\n"
    "  --log FILE      write FILE as a reading of --seconds of simulated time (a day) from\n"
    "                  today's 00:00 would have logged it, instead of sending; in seconds\n"
    "  --help          show this help\n";

namespace {

std::atomic<bool> stopRequested{false};

void OnSignal(int) { stopRequested = true; }

struct SimulateOptions {
  ReceiverSimulator::Options simulator;
  std::string device;
  std::optional<double> rate;
  std::optional<double> seconds;
  std::optional<long long> lines;
  bool realtime = false;
  bool help = false;
  std::string log;  // write a log of simulated time here instead of sending
};

std::optional<double> PositiveNumber(const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !std::isfinite(value) || value <= 0) return std::nullopt;
  return value;
}

std::optional<SimulateOptions> Parse(const std::vector<std::string>& arguments,
                                     std::string& problem) {
  SimulateOptions options;
  std::vector<std::string> numbers;
  OptionReader reader(arguments);
  std::string v;
  const bool read = reader.ReadAll([&] {
    const std::string& option = reader.Name();
    if (!reader.IsOption()) {
      return reader.Unknown();
    } else if (option == "--pty") {
      if (!reader.NoValue()) return false;
      options.device.clear();
    } else if (option == "--device") {
      if (!reader.Value(v)) return false;
      options.device = v;
    } else if (option == "--log") {
      if (!reader.Value(v)) return false;
      if (v.empty()) return reader.Fail("--log needs a file");
      options.log = v;
    } else if (option == "--tx") {
      if (!reader.Value(v)) return false;
      if (v.size() != 4) return reader.Fail("--tx needs a 4-character transmitter number");
      numbers.push_back(v);
    } else if (option == "--rate" || option == "--seconds") {
      if (!reader.Value(v)) return false;
      const auto number = PositiveNumber(v);
      if (!number) return reader.Fail(option + " needs a positive number");
      (option == "--rate" ? options.rate : options.seconds) = number;
    } else if (option == "--lines" || option == "--seed") {
      if (!reader.Value(v)) return false;
      long long number = 0;
      const auto [end, error] = std::from_chars(v.data(), v.data() + v.size(), number);
      if (error != std::errc() || end != v.data() + v.size() || number < 0) {
        return reader.Fail(option + " needs a whole number");
      }
      if (option == "--lines") {
        options.lines = number;
      } else {
        options.simulator.seed = static_cast<std::uint32_t>(number);
      }
    } else if (option == "--form") {
      if (!reader.Value(v)) return false;
      if (v == "short") {
        options.simulator.form = ReceiverSimulator::Form::kShort;
      } else if (v == "long") {
        options.simulator.form = ReceiverSimulator::Form::kLong;
      } else if (v == "mixed") {
        options.simulator.form = ReceiverSimulator::Form::kMixed;
      } else {
        return reader.Fail("--form is short, long or mixed");
      }
    } else if (option == "--noise") {
      if (!reader.NoValue()) return false;
      options.simulator.noise = true;
    } else if (option == "--realtime") {
      if (!reader.NoValue()) return false;
      options.realtime = true;
    } else {
      return reader.Unknown();
    }
    return true;
  });
  if (!read) {
    problem = reader.Problem();
    return std::nullopt;
  }
  options.help = reader.WantsHelp();
  if (options.help) return options;
  if (!numbers.empty()) options.simulator.numbers = numbers;
  return options;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    if (stopRequested) return false;
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// A reader that opens the line sets it to 2400 bit/s; wait for that, so that
// the purge at its open drops nothing we send.
void WaitForReader(int slave, std::optional<std::chrono::steady_clock::time_point> deadline) {
  while (!stopRequested && !(deadline && std::chrono::steady_clock::now() >= *deadline)) {
    termios settings{};
    if (tcgetattr(slave, &settings) == 0 && cfgetispeed(&settings) == kLineSpeed) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

// A reading's log of simulated time, written in seconds: the receivers'
// lines stamped with a clock that starts at today's midnight. A weak signal
// loses receptions, as a real one does, so the graph shows both.
int WriteSimulatedLog(const SimulateOptions& options) {
  ReceiverSimulator::Options chosen = options.simulator;
  chosen.periodScale = 5.0;
  ReceiverSimulator simulator(chosen);
  const double span = options.seconds.value_or(86400.0);
  const std::time_t now = std::time(nullptr);
  std::tm today{};
  localtime_r(&now, &today);
  std::mt19937 random(chosen.seed);
  std::uniform_int_distribution<int> chance(0, 15);
  std::string content = "Start\r\n";
  long long written = 0;
  for (;;) {
    const ReceiverSimulator::Line line = simulator.Next();
    if (line.at >= span || (options.lines && written >= *options.lines)) break;
    if (line.transmitter >= 0 &&
        chance(random) > simulator.Level(static_cast<std::size_t>(line.transmitter))) {
      continue;
    }
    const auto milliseconds = static_cast<long long>(line.at * 1000.0);
    const auto seconds = static_cast<int>(milliseconds / 1000 % 86400);
    const LocalTime stamp{today.tm_year + 1900,
                          today.tm_mon + 1,
                          today.tm_mday,
                          seconds / 3600,
                          seconds / 60 % 60,
                          seconds % 60,
                          static_cast<int>(milliseconds % 1000)};
    content += FormatLogLine(TimeStamp(stamp) + line.bytes);
    ++written;
  }
  content += "End\r\n    ";
  // Whole or not at all, like every file the program writes.
  const std::string temporary = options.log + ".new";
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  out << content;
  out.close();
  if (!out || std::rename(temporary.c_str(), options.log.c_str()) != 0) {
    std::fprintf(stderr, "delvarine simulate: cannot write %s: %s\n", options.log.c_str(),
                 std::strerror(errno));
    std::remove(temporary.c_str());
    return 1;
  }
  std::fprintf(stderr, "logged %lld receptions of %g simulated seconds in %s\n", written, span,
               options.log.c_str());
  return 0;
}

}  // namespace

int RunSimulateCommand(const std::vector<std::string>& arguments) {
  std::string problem;
  std::optional<SimulateOptions> options = Parse(arguments, problem);
  if (!options) {
    std::fprintf(stderr, "delvarine simulate: %s\n%s", problem.c_str(), kSimulateUsage);
    return 2;
  }
  if (options->help) {
    std::fputs(kSimulateUsage, stdout);
    return 0;
  }
  if (!options->log.empty()) return WriteSimulatedLog(*options);
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);

  int out = -1;
  int slave = -1;
  if (options->device.empty()) {
    char name[256] = {};
    if (openpty(&out, &slave, name, nullptr, nullptr) != 0) {
      std::fprintf(stderr, "cannot create a pseudo-terminal: %s\n", std::strerror(errno));
      return 1;
    }
    // Raw from the start: no echo piles up before a reader configures the line.
    termios settings{};
    tcgetattr(slave, &settings);
    cfmakeraw(&settings);
    tcsetattr(slave, TCSANOW, &settings);
    std::printf("%s\n", name);
    std::fflush(stdout);
    std::optional<std::chrono::steady_clock::time_point> deadline;
    if (options->seconds) {
      deadline = std::chrono::steady_clock::now() +
                 std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                     std::chrono::duration<double>(*options->seconds));
    }
    WaitForReader(slave, deadline);
  } else {
    out = ::open(options->device.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (out < 0) {
      std::fprintf(stderr, "cannot open %s: %s\n", options->device.c_str(), std::strerror(errno));
      return 1;
    }
    if (isatty(out)) {
      termios current{};
      tcgetattr(out, &current);
      const termios settings = MakeLineSettings(current);
      tcsetattr(out, TCSANOW, &settings);
    }
  }

  ReceiverSimulator simulator(options->simulator);
  using Steady = std::chrono::steady_clock;
  const Steady::time_point start = Steady::now();
  const auto at = [&](double seconds) {
    return start +
           std::chrono::duration_cast<Steady::duration>(std::chrono::duration<double>(seconds));
  };
  long long sent = 0;
  while (!stopRequested) {
    if (options->lines && sent >= *options->lines) break;
    if (options->seconds && Steady::now() >= at(*options->seconds)) break;
    const ReceiverSimulator::Line line = simulator.Next();
    std::optional<Steady::time_point> due;
    if (options->rate) {
      due = at(static_cast<double>(sent) / *options->rate);
    } else if (options->realtime) {
      due = at(line.at);
    }
    if (due) {
      if (options->seconds && *due > at(*options->seconds)) due = at(*options->seconds);
      while (!stopRequested && Steady::now() < *due) {
        std::this_thread::sleep_for(
            std::min<Steady::duration>(*due - Steady::now(), std::chrono::milliseconds(50)));
      }
      if (stopRequested || (options->seconds && Steady::now() >= at(*options->seconds))) break;
    }
    bool written = true;
    if (options->realtime) {
      // 10 bits per byte at 2400 bit/s.
      for (char byte : line.bytes) {
        written = WriteAll(out, std::string_view(&byte, 1));
        if (!written) break;
        std::this_thread::sleep_for(std::chrono::microseconds(4167));
      }
    } else {
      written = WriteAll(out, line.bytes);
    }
    if (!written) break;
    ++sent;
  }
  if (slave >= 0) {
    // Let a reader take what is still in the pseudo-terminal before it goes.
    // Bytes can still be on their way into the input queue when it looks
    // empty, so wait until it has stayed empty for a while (at most 5 s).
    int emptyChecks = 0;
    for (int i = 0; i < 250 && emptyChecks < 10 && !stopRequested; ++i) {
      int pending = 0;
      if (ioctl(slave, FIONREAD, &pending) != 0) break;
      emptyChecks = pending == 0 ? emptyChecks + 1 : 0;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::close(slave);
  }
  ::close(out);
  std::fprintf(stderr, "sent %lld lines:", sent);
  for (std::size_t i = 0; i < options->simulator.numbers.size(); ++i) {
    std::fprintf(stderr, " %s %lld", options->simulator.numbers[i].c_str(),
                 simulator.Receptions()[i]);
  }
  std::fprintf(stderr, ", noise %lld\n", simulator.NoiseLines());
  return 0;
}

#include "readcommand.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QSettings>
#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>

#include "consoleoutput.h"
#include "optionreader.h"
#include "programsettings.h"
#include "readingsession.h"
#include "silencewatch.h"
#include "transmitterlist.h"

const char* const kReadUsage =
    "usage: delvarine read (DEVICE | --device DEVICE | --port N) [--log-dir DIR]\n"
    "                      [--tx NUMBER]... [--duration SECONDS] [--discard] [--brief]\n"
    "                      [--silence DURATION]\n"
    "  --device DEVICE   read the serial line at DEVICE (a path)\n"
    "  --port N          read COM<N> (1..5): the device the window's settings give it,\n"
    "                    else /dev/ttyS<N-1>; $DELVARINE_COM<N> overrides both\n"
    "  --log-dir DIR     write the run's log file into DIR (default: the current directory)\n"
    "  --tx NUMBER       follow the 4-character transmitter NUMBER in the next slot (up to 8);\n"
    "                    without --tx the numbers of ./tx.txt are followed\n"
    "  --duration SECONDS  end after SECONDS (default: on SIGINT, SIGTERM or SIGHUP)\n"
    "  --discard         delete the log file at the end instead of keeping it\n"
    "  --brief           at the end one line per transmitter instead of its gap table\n"
    "  --silence DURATION  say on standard error when a followed transmitter has not\n"
    "                    been heard for DURATION (90s, 5m, 1h), and when it is again\n"
    "  --help            show this help\n";

namespace {

struct ReadOptions {
  std::string device;
  int port = 0;
  std::filesystem::path logDir = ".";
  std::vector<std::string> numbers;
  std::optional<double> duration;
  bool discard = false;
  bool brief = false;
  std::int64_t silenceMs = 0;  // 0: no silence watch
  bool help = false;
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
  OptionReader reader(arguments);
  std::string v;
  const bool read = reader.ReadAll([&] {
    const std::string& option = reader.Name();
    if (!reader.IsOption()) {
      // The device, as tio and picocom take it.
      if (!options.device.empty()) return reader.Fail("one device only");
      options.device = reader.Positional();
    } else if (option == "--device") {
      if (!reader.Value(v)) return false;
      options.device = v;
    } else if (option == "--port") {
      if (!reader.Value(v)) return false;
      int port = 0;
      const auto [end, error] = std::from_chars(v.data(), v.data() + v.size(), port);
      if (error != std::errc() || end != v.data() + v.size() || port < 1 || port > 5) {
        return reader.Fail("--port needs a number from 1 to 5");
      }
      options.port = port;
    } else if (option == "--log-dir") {
      if (!reader.Value(v)) return false;
      options.logDir = v;
    } else if (option == "--tx") {
      if (!reader.Value(v)) return false;
      if (v.size() != 4) {
        return reader.Fail("--tx needs a 4-character transmitter number, not \"" + v + "\"");
      }
      if (options.numbers.size() == kSlotCount) {
        return reader.Fail("at most 8 transmitters can be followed");
      }
      options.numbers.push_back(v);
    } else if (option == "--duration") {
      if (!reader.Value(v)) return false;
      char* end = nullptr;
      const double seconds = std::strtod(v.c_str(), &end);
      if (v.empty() || *end != '\0' || !std::isfinite(seconds) || seconds <= 0) {
        return reader.Fail("--duration needs a positive number of seconds");
      }
      options.duration = seconds;
    } else if (option == "--discard") {
      if (!reader.NoValue()) return false;
      options.discard = true;
    } else if (option == "--brief") {
      if (!reader.NoValue()) return false;
      options.brief = true;
    } else if (option == "--silence") {
      if (!reader.Value(v)) return false;
      if (!ParseSilenceLimit(v, options.silenceMs)) {
        return reader.Fail("--silence needs a duration such as 90s, 5m or 1h");
      }
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
  if (options.device.empty() == (options.port == 0)) {
    problem = "give either a device or --port";
    return std::nullopt;
  }
  return options;
}

// The slotControls of the console: fixed numbers, boxes kept in memory.
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

// The monitor on standard output, messages on standard error; neither ever
// holds the reading. The reader's and the log writer's news arrive on their
// threads and are printed by the main loop.
class ConsoleEvents final : public ReadingEvents {
 public:
  ConsoleEvents()
      : monitor(STDOUT_FILENO, kMonitorBuffer),
        messages(STDERR_FILENO, kMessageBuffer),
        wakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
  ~ConsoleEvents() override {
    if (wakeFd >= 0) ::close(wakeFd);
  }
  int WakeFd() const { return wakeFd; }

  void ClearMonitor() override {}
  void AppendMonitor(std::string_view line) override {
    if (line != "Start\r\n") monitor.Append(line);
  }
  void LinesReady() override { Wake(); }
  void LineLost(const std::string& reason) override { Post("line lost: " + reason); }
  void LineBack(const std::string& deviceChange) override {
    Post(deviceChange.empty() ? std::string("line back")
                              : "line back, but another device answers under its name: " +
                                    deviceChange + "; the log says so too");
  }
  void LogWriteFailed(const std::string& reason) override {
    Post(reason + "; reading goes on, lines that cannot be written are counted");
  }
  void LogWriteResumed(std::int64_t lostLines) override {
    Post("the log is written again; " + std::to_string(lostLines) + " lines could not be written");
  }
  void LogRecreated(const std::filesystem::path& newPath, std::int64_t missingLines,
                    const std::string& reason) override {
    if (missingLines == 0) {
      Post("the log file was deleted; reading goes on in " + newPath.string() +
           ", which holds every line");
    } else {
      Post("the log file was deleted; reading goes on in " + newPath.string() + ", which lacks " +
           std::to_string(missingLines) + " lines that could not be read back (" + reason + ")");
    }
  }
  void LogRecreateFailed(const std::string& reason) override {
    Post("the log file was deleted and cannot be made anew: " + reason + "; trying again");
  }
  void LogFinished(const LogOutcome& ending) override {
    {
      std::lock_guard lock(mutex);
      outcome = ending;
      finished = true;
    }
    Wake();
  }

  // Moves the news into standard error's queue and writes what both outputs
  // take now. False when standard output is gone.
  bool Pump() {
    std::vector<std::string> news;
    {
      std::lock_guard lock(mutex);
      news.swap(posted);
    }
    for (const std::string& line : news) messages.Append("delvarine read: " + line + "\n");
    messages.Flush();
    return monitor.Flush() != ConsoleOutput::State::kClosed;
  }
  void Message(const std::string& line) { messages.Append("delvarine read: " + line + "\n"); }
  // What is left, waiting a little (once, for every call together) for an
  // output that does not take it: a stopped terminal must not keep the
  // program from ending.
  void DrainAll() {
    Pump();
    const auto now = std::chrono::steady_clock::now();
    if (!drainDeadline) drainDeadline = now + kLastDrain;
    const auto left =
        std::max(std::chrono::milliseconds(0),
                 std::chrono::duration_cast<std::chrono::milliseconds>(*drainDeadline - now));
    monitor.Drain(left);
    messages.Drain(left);
  }
  // How the log ended, once it has.
  std::optional<LogOutcome> Outcome() {
    std::lock_guard lock(mutex);
    return finished ? std::optional<LogOutcome>(outcome) : std::nullopt;
  }
  // Empties the wake-up counter.
  void TakeWake() {
    std::uint64_t value = 0;
    if (::read(wakeFd, &value, sizeof value) < 0) {
      // already emptied: nothing to take
    }
  }

  ConsoleOutput monitor;
  ConsoleOutput messages;

 private:
  static constexpr std::size_t kMonitorBuffer = 64 * 1024;
  static constexpr std::size_t kMessageBuffer = 1024 * 1024;
  static constexpr std::chrono::milliseconds kLastDrain{1000};
  std::optional<std::chrono::steady_clock::time_point> drainDeadline;

  void Post(std::string line) {
    {
      std::lock_guard lock(mutex);
      posted.push_back(std::move(line));
    }
    Wake();
  }
  void Wake() {
    const std::uint64_t one = 1;
    if (::write(wakeFd, &one, sizeof one) < 0) {
      // a full counter already holds a wake-up
    }
  }
  int wakeFd;
  std::mutex mutex;
  std::vector<std::string> posted;
  LogOutcome outcome;
  bool finished = false;
};

// Says how the log ended: where its lines are and what it may lack. False
// when something went wrong with it.
bool ReportLog(ConsoleEvents& events, const LogOutcome& outcome) {
  const std::string lines = " lines";
  if (!outcome.kept) return true;
  {
    if (outcome.path.empty()) {
      events.Message("the run's " + std::to_string(outcome.lostLines) +
                     " lines are lost: the log file was deleted and no copy of it could be " +
                     "made, in its folder or elsewhere (" + outcome.problem + ")");
      return false;
    }
    if (outcome.inFallback) {
      events.Message("the log folder cannot take the log (" + outcome.problem +
                     "); its lines are kept in " + outcome.path.string() +
                     ": move the file where it belongs");
    }
    if (!outcome.ended) {
      events.Message("the log has no \"End\" and no gap table: " + outcome.problem);
    }
    events.messages.Append("log: " + outcome.path.string() + "\n");
  }
  if (outcome.lostLines > 0) {
    events.Message(std::to_string(outcome.lostLines) + lines + " could not be written to the log");
  }
  if (outcome.unsureLines > 0) {
    events.Message(std::to_string(outcome.unsureLines) + lines +
                   " may not be on the disk: flushing them to it failed (" + outcome.problem + ")");
  } else if (!outcome.Complete() && outcome.ended && !outcome.inFallback &&
             outcome.lostLines == 0) {
    events.Message("writing the log failed at its end: " + outcome.problem);
  }
  return outcome.Complete();
}

// Each followed slot's statistics on standard error.
void PrintStatistics(ConsoleEvents& events, const ReadingSession& session,
                     const ConsoleSlots& slotControls, bool brief) {
  for (int k = 0; k < kSlotCount; ++k) {
    const std::string& number = session.statistics.txNumber[static_cast<std::size_t>(k)];
    const std::string shown = slotControls.NumberText(k);
    if (shown.size() != 4) continue;
    const std::string name =
        "Передатчик " + (number.empty() ? shown : number) + " (слот " + std::to_string(k + 1) + ")";
    if (brief) {
      const auto slot = static_cast<std::size_t>(k);
      long long receptions = 0;
      for (const std::int32_t count : session.statistics.gapCount[slot]) receptions += count;
      for (const std::int32_t count : session.statistics.longGapCount[slot]) receptions += count;
      std::string line = name + ": " + std::to_string(receptions) + " receptions";
      if (receptions > 0) {
        line += ", first " + SlotPresenter::FirstTime(session.statistics, k) + ", latest " +
                SlotPresenter::LastTime(session.statistics, k);
      }
      events.messages.Append(line + "\n");
      continue;
    }
    std::string column = slotControls.ColumnText(k);
    if (column.empty()) column = SlotPresenter::ColumnText(session.statistics, k, {});
    events.messages.Append(name + ":\n");
    events.messages.Append(column);
  }
}

}  // namespace

int RunReadCommand(const std::vector<std::string>& arguments, std::filesystem::path* logPathOut) {
  std::string problem;
  const std::optional<ReadOptions> options = ParseOptions(arguments, problem);
  if (!options) {
    Error("delvarine read: " + problem);
    WriteAll(STDERR_FILENO, kReadUsage);
    return 2;
  }
  if (options->help) {
    WriteAll(STDOUT_FILENO, kReadUsage);
    return 0;
  }
  std::vector<std::string> numbers = options->numbers;
  if (numbers.empty()) {
    TransmitterList list = LoadTransmitterList("tx.txt");
    if (!list.problem.empty()) Error(list.problem);
    numbers = std::move(list.numbers);
  }

  // SIGINT, SIGTERM and SIGHUP end the run through a signalfd; blocked before
  // any thread starts so the reader never takes them. A closed output pipe is
  // a failed write (EPIPE), not a death.
  sigset_t endSignals;
  sigemptyset(&endSignals);
  sigaddset(&endSignals, SIGINT);
  sigaddset(&endSignals, SIGTERM);
  sigaddset(&endSignals, SIGHUP);
  sigset_t previousMask;
  pthread_sigmask(SIG_BLOCK, &endSignals, &previousMask);
  const int signalFd = signalfd(-1, &endSignals, SFD_CLOEXEC | SFD_NONBLOCK);
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);

  SystemClock clock;
  ConsoleSlots slotControls(numbers);
  ConsoleEvents events;
  ReadingSession session(clock, slotControls, events);
  session.logDir = options->logDir;
  // A followed transmitter that falls silent is said once, and once when
  // it is heard again; the log is not touched.
  SilenceWatch silence;
  for (int k = 0; k < kSlotCount && options->silenceMs > 0; ++k) {
    if (slotControls.NumberText(k).size() == 4) silence.SetLimit(k, options->silenceMs);
  }
  session.AddListener(silence);
  std::string device = options->device;
  if (device.empty()) {
    // COMn means what it means in the window: its settings map it.
    QString settingsProblem;
    const std::unique_ptr<QSettings> settings = programsettings::Open(settingsProblem);
    if (!settingsProblem.isEmpty()) {
      Error("delvarine read: the settings file " + programsettings::FilePath().toStdString() +
            " cannot be read; COM" + std::to_string(options->port) + " is " +
            PortTable::DefaultPath(options->port));
    }
    device = programsettings::ReadPortTable(settings.get(), false).DevicePath(options->port);
  }

  switch (session.Start(device)) {
    case ReadingSession::StartResult::kLogFolderHung:
      Error("delvarine read: " + session.LastError() + "; reading not started");
      return 1;
    case ReadingSession::StartResult::kLogFailed:
    case ReadingSession::StartResult::kThreadFailed:
      Error(session.LastError());
      return 1;
    case ReadingSession::StartResult::kPortFailed:
      Error("delvarine read: " + session.LastError());
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
  std::vector<SilenceWatch::Event> silences;
  const auto sayTheSilences = [&] {
    for (const SilenceWatch::Event& event : silences) {
      const std::string name = "transmitter " + slotControls.NumberText(event.slot) + " (slot " +
                               std::to_string(event.slot + 1) + ")";
      events.Message(name + (event.silent ? " silent for " : " heard again after ") +
                     DescribeDuration(event.silentMs));
    }
    silences.clear();
  };
  std::string endReason;
  for (;;) {
    int timeoutMs = -1;
    if (deadline) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Steady::now());
      if (left.count() <= 0) break;
      timeoutMs = static_cast<int>(std::min<long long>(left.count(), 1 << 30));
    }
    const std::int64_t nowMs = clock.ElapsedMs(clock.Now());
    silence.Check(nowMs, silences);
    sayTheSilences();
    if (const std::int64_t due = silence.NextDueMs(nowMs); due >= 0) {
      const int wait = static_cast<int>(std::min<std::int64_t>(due + 1, 1 << 30));
      timeoutMs = timeoutMs < 0 ? wait : std::min(timeoutMs, wait);
    }
    pollfd fds[4] = {{events.WakeFd(), POLLIN, 0},
                     {signalFd, POLLIN, 0},
                     {events.monitor.HasPending() ? events.monitor.PollFd() : -1, POLLOUT, 0},
                     {events.messages.HasPending() ? events.messages.PollFd() : -1, POLLOUT, 0}};
    const int ready = poll(fds, 4, timeoutMs);
    if (ready < 0 && errno != EINTR) break;
    if (fds[1].revents & POLLIN) {
      signalfd_siginfo info{};
      if (::read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        endReason = std::string("ended by ") + sigabbrev_np(static_cast<int>(info.ssi_signo));
      }
      break;
    }
    if (fds[0].revents & POLLIN) {
      std::uint64_t value = 0;
      if (::read(events.WakeFd(), &value, sizeof value) < 0) {
        // already emptied: nothing to take
      }
      session.DrainLines();
      silences = silence.TakeEvents();
      sayTheSilences();
    }
    if (!events.Pump()) {
      endReason = "standard output was closed (" + events.monitor.CloseReason() +
                  "); the reading ends and its log is kept";
      break;
    }
  }

  session.Halt();
  session.Finish(!options->discard);
  if (!endReason.empty()) events.Message(endReason);
  // The statistics come first: a stalled disk must not keep them back.
  PrintStatistics(events, session, slotControls, options->brief);
  events.DrainAll();
  std::optional<LogOutcome> outcome = events.Outcome();
  for (bool said = false; !outcome;) {
    if (!said && !session.WaitForLogs(std::chrono::seconds(1))) {
      events.Message(
          "the log is still being written to the disk; waiting for it "
          "(Ctrl-C again stops waiting)");
      events.DrainAll();
      said = true;
    }
    outcome = events.Outcome();
    if (outcome) break;
    pollfd fds[2] = {{events.WakeFd(), POLLIN, 0}, {signalFd, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0 && errno != EINTR) break;
    events.TakeWake();
    if (fds[1].revents & POLLIN) {
      // The writer may stay stuck in the disk for good: it is left there,
      // and so is the program's state, which it still uses.
      events.Message("stopped waiting: " + std::to_string(session.UnwrittenLogLines()) +
                     " lines, \"End\" and the gap table may be missing from " +
                     session.FinishingLogPath().string());
      events.DrainAll();
      std::_Exit(1);
    }
  }
  // End signals that came while the log was finished are answered: the run
  // has ended already.
  if (signalFd >= 0) {
    signalfd_siginfo info{};
    while (::read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    }
    ::close(signalFd);
  }
  pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);

  const bool logWhole = outcome ? ReportLog(events, *outcome) : false;
  if (events.monitor.DroppedLines() > 0) {
    events.Message(std::to_string(events.monitor.DroppedLines()) +
                   " lines were not shown while the output was blocked; the log has them");
  }
  events.DrainAll();
  if (logPathOut != nullptr && outcome) *logPathOut = outcome->path;
  return logWhole ? 0 : 1;
}

#ifdef DELVARINE_WITH_WINDOW
#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QThread>
#include <QTimer>
#include <QTranslator>

#include "datareceiving.h"
#include "dialogunits.h"
#include "endsignals.h"
#include "mainframe.h"
#endif
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "appmodule.h"
#include "commandline.h"
#ifdef DELVARINE_HAVE_GRAPH_COMMAND
#include "graphcommand.h"
#include "graphexport.h"
#endif
#include "portscommand.h"
#include "readcommand.h"
#include "registration.h"
#include "simulatecommand.h"
#include "simulatedreceiver.h"
#include "textformat.h"

namespace {

constexpr const char* kHelp =
    "usage: delvarine [COMMAND [OPTIONS]]\n"
    "Reads a radio receiver on a serial line and graphs its log files.\n"
    "With no command the window opens.\n"
    "\n"
    "commands:\n"
    "  read         read the receiver on the console and write a log file\n"
    "  ports        list the serial devices present\n"
    "  graph        graph a log file: bins, PNG, SVG or PDF\n"
    "  simulate     a simulated receiver on a pseudo-terminal\n"
    "  -RegServer   install the desktop entry in the user's applications folder\n"
    "  -UnregServer remove it\n"
    "  --demo [--demo-seconds N]\n"
    "               the window on a simulated receiver on COM1; without a display,\n"
    "               a console reading of N seconds (30) and the graph of its log\n"
    "  --device PATH\n"
    "               the window reads PATH in this session, whatever port is chosen\n"
    "  --help       show this help\n"
    "  --version    show the version\n"
    "\n"
    "delvarine COMMAND --help shows the options of a command.\n";

std::filesystem::path ExecutablePath(const char* argv0) {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::absolute(argv0) : self;
}

bool HasDisplay() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

#ifdef DELVARINE_WITH_WINDOW
int RunWindow(int argc, char** argv, const std::vector<std::string>& demoNumbers = {},
              const std::string& device = {}) {
  // Without a display Qt would abort with advice to reinstall; say what helps.
  bool platformChosen = std::getenv("QT_QPA_PLATFORM") != nullptr;
  for (int i = 1; i < argc; ++i)
    platformChosen = platformChosen || std::strcmp(argv[i], "-platform") == 0;
  if (!HasDisplay() && !platformChosen) {
    std::fputs(
        "delvarine: the window needs a display (X11 or Wayland); without one, "
        "delvarine read reads the receiver on the console (see delvarine --help)\n",
        stderr);
    return 1;
  }
  QApplication application(argc, argv);
  QCoreApplication::setOrganizationName(QStringLiteral("Delvarine"));
  QCoreApplication::setApplicationName(QStringLiteral("Delvarine"));
  QApplication::setFont(dialogunits::DialogFont());
  // Qt's own dialogs (files, printers) in Russian too, where Debian's
  // translations are installed.
  QTranslator qtTexts;
  if (qtTexts.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&qtTexts);
  }

  AppModule module;
  module.StartShutdownMonitor([] {
    QMetaObject::invokeMethod(
        qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
  });
  {
    MainFrame frame;
    frame.ReadingPage().ShowTransmitters(demoNumbers);
    if (!device.empty()) frame.ReadingPage().UseDevice(device);
    const EndSignals endSignals([&frame](int) {
      frame.EndOnSignal();
      // Whatever dialog did not close leaves its loop now: the run is
      // already ended and kept.
      QTimer::singleShot(1500, qApp, [] { QCoreApplication::exit(0); });
    });
    frame.exec();
    // The pause before the window objects go, as the program always made it.
    QThread::msleep(1000);
  }
  return 0;
}
#else
int RunWindow(int, char**, const std::vector<std::string>& = {}, const std::string& = {}) {
  std::fputs("delvarine: this build has no window; see delvarine --help\n", stderr);
  return 2;
}
#endif

const std::vector<std::string> kDemoNumbers = {"1234", "A642", "C115", "0B17"};

// The whole program on a receiver simulated inside the process.
int RunDemo(int argc, char** argv, double seconds) {
  ReceiverSimulator::Options options;
  options.numbers = kDemoNumbers;
  // Both forms of the receiver: the long one carries the identifier that the
  // graph page asks for first (0A642).
  options.form = ReceiverSimulator::Form::kMixed;
  SimulatedReceiver receiver(options, 4.0);
  std::string error;
  if (!receiver.Start(error)) {
    std::fprintf(stderr, "delvarine --demo: %s\n", error.c_str());
    return 1;
  }
  // COM1 is the simulated receiver for this run only; the window reads it
  // whatever port or device its settings choose.
  setenv("DELVARINE_COM1", receiver.DevicePath().c_str(), 1);
  if (HasDisplay()) return RunWindow(argc, argv, kDemoNumbers, receiver.DevicePath());

  std::printf("No display: reading the simulated receiver on the console for %g seconds.\n",
              seconds);
  std::fflush(stdout);
  std::vector<std::string> read = {"--port", "1", "--duration", std::to_string(seconds), "--brief"};
  for (const std::string& number : kDemoNumbers) {
    read.push_back("--tx");
    read.push_back(number);
  }
  std::filesystem::path logPath;
  const int result = RunReadCommand(read, &logPath);
  receiver.Stop();
  if (result != 0 || logPath.empty()) return result;
  std::printf("log of the reading: %s\n",
              std::filesystem::absolute(logPath).lexically_normal().c_str());
#ifdef DELVARINE_HAVE_GRAPH_COMMAND
  // A reading of seconds makes no graph worth seeing: a day of the same
  // receiver, simulated with its own clock in a moment, does.
  const std::filesystem::path dayLog = logPath.parent_path() / "simulated-day.txt";
  std::vector<std::string> simulate = {"--log", dayLog.string()};
  for (const std::string& number : kDemoNumbers) {
    simulate.push_back("--tx");
    simulate.push_back(number);
  }
  if (const int made = RunSimulateCommand(simulate); made != 0) return made;
  std::filesystem::path image = dayLog;
  image.replace_extension(".png");
  const int graphed = RunGraphCommand(
      {dayLog.string(), "--tx", kDemoNumbers.front(), "--max", "10", "--output", image.string()});
  if (graphed != 0) return graphed;
  std::printf("log of a simulated day: %s\n",
              std::filesystem::absolute(dayLog).lexically_normal().c_str());
  std::printf("graph: %s\n", std::filesystem::absolute(image).lexically_normal().c_str());
#endif
  return 0;
}

}  // namespace

// The program but the quick `graph` of the launcher (launcher.cpp), which
// loads this module for everything else.
// The launcher loads only a module of its own version.
extern "C" const char DelvarineModuleVersion[] = DELVARINE_VERSION;

extern "C" int DelvarineMain(int argc, char** argv) {
  // A closed pipe or a file-size limit is a failed write that the program
  // reports, never a reason to die with a half-written log.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (!arguments.empty()) {
    const std::string& command = arguments.front();
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    if (command == "read") return RunReadCommand(rest);
    if (command == "ports") return RunPortsCommand(rest);
    if (command == "simulate") return RunSimulateCommand(rest);
#ifdef DELVARINE_HAVE_GRAPH_COMMAND
    if (command == "graph") return RunGraphCommand(rest);
#endif
    if (command == "--help" || command == "-h" || command == "help") {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (command == "--demo") {
      double seconds = 30;
      if (rest.size() == 2 && rest[0] == "--demo-seconds") {
        char* end = nullptr;
        seconds = std::strtod(rest[1].c_str(), &end);
        if (*end != '\0' || !(seconds > 0)) seconds = -1;
      } else if (!rest.empty()) {
        seconds = -1;
      }
      if (seconds <= 0) {
        std::fputs("usage: delvarine --demo [--demo-seconds N]\n", stderr);
        return 2;
      }
      return RunDemo(argc, argv, seconds);
    }
    if (command == "--version") {
      std::puts("delvarine " DELVARINE_VERSION);
      return 0;
    }
  }
  // Long options are ours alone. A word that is no command (a device path
  // given without "read", say) is refused rather than ignored; single-dash
  // words and the word after each are Qt's (-platform offscreen) or the
  // registration words, which the scan below takes.
  // --device PATH: the window reads PATH in this session, the settings
  // unchanged.
  std::string device;
  std::vector<std::string> others;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--device" || arguments[i].starts_with("--device=")) {
      const bool joined = arguments[i] != "--device";
      if (!joined && i + 1 == arguments.size()) {
        std::fprintf(stderr, "delvarine: --device needs a path\n%s", kHelp);
        return 2;
      }
      device = joined ? arguments[i].substr(9) : arguments[++i];
      continue;
    }
    others.push_back(arguments[i]);
  }
  const std::string last = others.empty() ? std::string() : others.back();
  // Case-blind, as the scan below reads them.
  const bool registration =
      (last.starts_with('-') || last.starts_with('/')) && ScanCommandLine(last) != StartMode::kRun;
  for (std::size_t i = 0; i < others.size() && !registration; ++i) {
    const std::string& argument = others[i];
    const bool afterQtOption = i > 0 && others[i - 1].size() > 1 && others[i - 1][0] == '-' &&
                               !others[i - 1].starts_with("--");
    if (argument.starts_with("--")) {
      std::fprintf(stderr, "delvarine: unknown option %s\n%s", argument.c_str(), kHelp);
      return 2;
    }
    if (argument.size() > 1 && argument[0] == '-') continue;
    if (afterQtOption) continue;
    std::fprintf(stderr,
                 "delvarine: unknown command \"%s\" (to read a device: delvarine read %s)\n%s",
                 argument.c_str(), argument.c_str(), kHelp);
    return 2;
  }

  std::string commandLine;
  for (int i = 0; i < argc; ++i) {
    if (i > 0) commandLine += ' ';
    commandLine += argv[i];
  }
  switch (ScanCommandLine(commandLine)) {
    case StartMode::kRegister: {
      std::string error;
      std::string note;
      const int result = RegisterDesktopEntry(ExecutablePath(argv[0]), error, &note);
      if (result != 0) std::fprintf(stderr, "%s\n", error.c_str());
      if (!note.empty()) std::printf("delvarine: %s\n", note.c_str());
      return result;
    }
    case StartMode::kUnregister:
      UnregisterDesktopEntry();
      return 0;
    case StartMode::kRun:
      break;
  }
  return RunWindow(argc, argv, {}, device);
}

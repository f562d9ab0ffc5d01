#ifdef DELVARINE_WITH_WINDOW
#include <QApplication>
#include <QFont>
#include <QThread>

#include "dialogunits.h"
#include "mainframe.h"
#endif
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "appmodule.h"
#include "commandline.h"
#ifdef DELVARINE_HAVE_GRAPH_COMMAND
#include "graphcommand.h"
#endif
#include "readcommand.h"
#include "simulatecommand.h"
#include "registration.h"

namespace {

constexpr const char* kHelp =
    "usage: delvarine [COMMAND [OPTIONS]]\n"
    "Reads a radio receiver on a serial line and graphs its log files.\n"
    "With no command the window opens.\n"
    "\n"
    "commands:\n"
    "  read         read the receiver on the console and write a log file\n"
    "  graph        graph a log file: bins, PNG, SVG or PDF\n"
    "  simulate     a simulated receiver on a pseudo-terminal\n"
    "  -RegServer   install the desktop entry in the user's applications folder\n"
    "  -UnregServer remove it\n"
    "  --help       show this help\n"
    "  --version    show the version\n";

std::filesystem::path ExecutablePath(const char* argv0) {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::absolute(argv0) : self;
}

#ifdef DELVARINE_WITH_WINDOW
int RunWindow(int argc, char** argv) {
  QApplication application(argc, argv);
  QCoreApplication::setOrganizationName(QStringLiteral("Delvarine"));
  QCoreApplication::setApplicationName(QStringLiteral("Delvarine"));
  QApplication::setFont(dialogunits::DialogFont());

  AppModule module;
  module.StartShutdownMonitor([] {
    QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
  });
  {
    MainFrame frame;
    frame.exec();
    // The pause before the window objects go, as the program always made it.
    QThread::msleep(1000);
  }
  return 0;
}
#else
int RunWindow(int, char**) {
  std::fputs("delvarine: this build has no window; see delvarine --help\n", stderr);
  return 2;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (!arguments.empty()) {
    const std::string& command = arguments.front();
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    if (command == "read") return RunReadCommand(rest);
    if (command == "simulate") return RunSimulateCommand(rest);
#ifdef DELVARINE_HAVE_GRAPH_COMMAND
    if (command == "graph") return RunGraphCommand(rest);
#endif
    if (command == "--help" || command == "-h" || command == "help") {
      std::printf("%s\n%s\n%s", kHelp, kReadUsage, kSimulateUsage);
#ifdef DELVARINE_HAVE_GRAPH_COMMAND
      std::printf("\n%s", kGraphUsage);
#endif
      return 0;
    }
    if (command == "--version") {
      std::puts("delvarine 1.0.0");
      return 0;
    }
  }

  std::string commandLine;
  for (int i = 0; i < argc; ++i) {
    if (i > 0) commandLine += ' ';
    commandLine += argv[i];
  }
  switch (ScanCommandLine(commandLine)) {
    case StartMode::kRegister: {
      std::string error;
      const int result = RegisterDesktopEntry(ExecutablePath(argv[0]), error);
      if (result != 0) std::fprintf(stderr, "%s\n", error.c_str());
      return result;
    }
    case StartMode::kUnregister:
      UnregisterDesktopEntry();
      return 0;
    case StartMode::kRun:
      break;
  }
  return RunWindow(argc, argv);
}

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "readcommand.h"

namespace {

constexpr const char* kHelp =
    "usage: delvarine [COMMAND [OPTIONS]]\n"
    "Reads a radio receiver on a serial line and graphs its log files.\n"
    "\n"
    "With no command the window opens.\n"
    "\n"
    "commands:\n"
    "  read      read the receiver on the console and write a log file\n"
    "  --help    show this help\n"
    "  --version show the version\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  if (!arguments.empty()) {
    const std::string command = arguments.front();
    std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    if (command == "read") return RunReadCommand(rest);
    if (command == "--help" || command == "-h" || command == "help") {
      std::fputs(kHelp, stdout);
      std::fputs("\n", stdout);
      std::fputs(kReadUsage, stdout);
      return 0;
    }
    if (command == "--version") {
      std::puts("delvarine 1.0.0");
      return 0;
    }
  }
  std::fputs(kHelp, stderr);
  return 2;
}

// The `delvarine` executable. `graph` without a file to write needs nothing
// but the Qt-free core and runs here at once; everything else (the window,
// the other commands, pictures) is in the module beside it, loaded with its
// Qt libraries only then, so that a console graph of a large log does not
// wait for Qt to be loaded.
#include <dlfcn.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "graphcommand.h"

namespace {

constexpr char kModuleName[] = "delvarine-main.so";

// The module: beside the executable in a build folder, in the program's
// library folder once installed.
std::filesystem::path ModulePath() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  const std::filesystem::path folder = error ? std::filesystem::path(".") : self.parent_path();
  const std::filesystem::path beside = folder / kModuleName;
  if (std::filesystem::exists(beside, error)) return beside;
  return (folder / DELVARINE_MODULE_FROM_BIN / kModuleName).lexically_normal();
}

}  // namespace

int main(int argc, char** argv) {
  // A closed pipe or a file-size limit is a failed write that the program
  // reports, never a reason to die.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  if (argc >= 2 && std::string(argv[1]) == "graph") {
    const std::vector<std::string> arguments(argv + 2, argv + argc);
    if (!GraphCommandWritesFile(arguments)) {
      return RunGraphCommand(arguments, std::cout, std::cerr, GraphExporter());
    }
  }
  const std::filesystem::path module = ModulePath();
  void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    std::fprintf(stderr,
                 "delvarine: cannot load the program's module %s (%s); reinstall delvarine\n",
                 module.c_str(), dlerror());
    return 1;
  }
  using Main = int (*)(int, char**);
  const auto run = reinterpret_cast<Main>(dlsym(handle, "DelvarineMain"));
  if (run == nullptr) {
    std::fprintf(stderr, "delvarine: %s is not the program's module; reinstall delvarine\n",
                 module.c_str());
    return 1;
  }
  return run(argc, argv);
}

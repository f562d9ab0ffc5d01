// The `delvarine` executable. `graph` without a file to write needs nothing
// but the Qt-free core and runs here at once; everything else (the window,
// the other commands, pictures) is in the module beside it, loaded with its
// Qt libraries only then, so that a console graph of a large log does not
// wait for Qt to be loaded.
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/auxv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "graphcommand.h"

namespace {

constexpr char kModuleName[] = "delvarine-main.so";
// A module smaller than this is no build of ours; larger, no sane one.
constexpr off_t kSmallestModule = 64 * 1024;
constexpr off_t kLargestModule = off_t{1} << 30;

// The folder of this executable, found without /proc when it is not mounted;
// none when it cannot be known. Never the current directory.
std::optional<std::filesystem::path> ExecutableFolder() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error && self.is_absolute()) return self.parent_path();
  // The path execve was given, resolved while the current directory is still
  // the one it was given in.
  const auto* given = reinterpret_cast<const char*>(getauxval(AT_EXECFN));
  if (given == nullptr) return std::nullopt;
  char resolved[PATH_MAX];
  if (realpath(given, resolved) == nullptr) return std::nullopt;
  return std::filesystem::path(resolved).parent_path();
}

// The module: beside the executable in a build folder, in the program's
// library folder once installed.
std::filesystem::path ModulePath() {
  if (const std::optional<std::filesystem::path> folder = ExecutableFolder()) {
    std::error_code error;
    const std::filesystem::path beside = *folder / kModuleName;
    if (std::filesystem::exists(beside, error)) return beside;
    return (*folder / DELVARINE_MODULE_FROM_BIN / kModuleName).lexically_normal();
  }
  return std::filesystem::path(DELVARINE_MODULE_INSTALLED) / kModuleName;
}

// Why the file at `path` cannot be a whole module, or empty: a FIFO would
// hang the loader, a file cut short would kill it with SIGBUS.
std::string ModuleProblem(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return std::strerror(errno);
  struct stat status {};
  std::string problem;
  ElfW(Ehdr) header{};
  if (::fstat(fd, &status) != 0) {
    problem = std::strerror(errno);
  } else if (!S_ISREG(status.st_mode)) {
    problem = "it is not a regular file";
  } else if (status.st_size < kSmallestModule || status.st_size > kLargestModule) {
    problem = "its size of " + std::to_string(status.st_size) + " bytes is not a module's";
  } else if (::pread(fd, &header, sizeof header, 0) != static_cast<ssize_t>(sizeof header) ||
             std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
             header.e_ident[EI_CLASS] != (sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32) ||
             header.e_phentsize != sizeof(ElfW(Phdr))) {
    problem = "it is not a shared library of this machine";
  } else {
    // Every loaded segment must lie inside the file.
    for (unsigned i = 0; i < header.e_phnum && problem.empty(); ++i) {
      ElfW(Phdr) segment{};
      const auto at = static_cast<off_t>(header.e_phoff + i * sizeof segment);
      if (::pread(fd, &segment, sizeof segment, at) != static_cast<ssize_t>(sizeof segment) ||
          (segment.p_type == PT_LOAD &&
           segment.p_offset + segment.p_filesz > static_cast<std::uint64_t>(status.st_size))) {
        problem = "it is cut short";
      }
    }
  }
  ::close(fd);
  return problem;
}

int CannotLoad(const std::filesystem::path& module, const std::string& reason) {
  std::fprintf(stderr, "delvarine: cannot load the program's module %s (%s); reinstall delvarine\n",
               module.c_str(), reason.c_str());
  return 1;
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
  if (const std::string problem = ModuleProblem(module); !problem.empty()) {
    return CannotLoad(module, problem);
  }
  void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return CannotLoad(module, dlerror());
  const auto* version = static_cast<const char*>(dlsym(handle, "DelvarineModuleVersion"));
  using Main = int (*)(int, char**);
  const auto run = reinterpret_cast<Main>(dlsym(handle, "DelvarineMain"));
  if (version == nullptr || run == nullptr) {
    return CannotLoad(module, "it is not the program's module");
  }
  if (std::strcmp(version, DELVARINE_VERSION) != 0) {
    return CannotLoad(
        module, std::string("it belongs to version ") + version + ", not " + DELVARINE_VERSION);
  }
  return run(argc, argv);
}

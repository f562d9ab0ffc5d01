#include "registration.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string_view>

#include "desktopentry.h"

std::filesystem::path DesktopEntryPath() {
  std::filesystem::path dataHome;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg == '/') {
    dataHome = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    dataHome = std::filesystem::path(home) / ".local" / "share";
  } else {
    return {};
  }
  return dataHome / "applications" / "delvarine.desktop";
}

std::filesystem::path PackagedDesktopEntry() {
  const char* dirs = std::getenv("XDG_DATA_DIRS");
  std::string_view rest = dirs != nullptr && *dirs != '\0' ? dirs : "/usr/local/share:/usr/share";
  while (!rest.empty()) {
    const std::size_t colon = rest.find(':');
    const std::string_view dir = rest.substr(0, colon);
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    if (dir.empty()) continue;
    const std::filesystem::path entry =
        std::filesystem::path(dir) / "applications" / "org.delvarine.Delvarine.desktop";
    std::error_code ec;
    if (std::filesystem::is_regular_file(entry, ec)) return entry;
  }
  return {};
}

int RegisterDesktopEntry(const std::filesystem::path& executable, std::string& error,
                         std::string* note) {
  if (const std::filesystem::path packaged = PackagedDesktopEntry(); !packaged.empty()) {
    if (note != nullptr) {
      *note = "the package already installed the desktop entry " + packaged.string() +
              "; nothing to do";
    }
    return 0;
  }
  const std::filesystem::path path = DesktopEntryPath();
  if (path.empty()) {
    error = "cannot find the applications folder: neither XDG_DATA_HOME nor HOME is set";
    return 1;
  }
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  // The installed entry, started by its full path.
  std::istringstream entry(kDesktopEntry);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (std::string line; std::getline(entry, line);) {
    if (line.starts_with("Exec=")) line = "Exec=\"" + executable.string() + "\"";
    if (line.starts_with("TryExec=")) continue;
    out << line << '\n';
  }
  out.close();
  if (!out) {
    error = "cannot write " + path.string();
    return 1;
  }
  return 0;
}

void UnregisterDesktopEntry() {
  std::error_code ignored;
  std::filesystem::remove(DesktopEntryPath(), ignored);
}

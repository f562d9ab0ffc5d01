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

int RegisterDesktopEntry(const std::filesystem::path& executable, std::string& error) {
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

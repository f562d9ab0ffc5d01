#pragma once

#include <filesystem>
#include <string>

// "RegServer" and "UnregServer" on this platform: the program's desktop entry
// in the user's applications folder ($XDG_DATA_HOME/applications, by default
// ~/.local/share/applications).

std::filesystem::path DesktopEntryPath();

// The entry the package installed (org.delvarine.Delvarine.desktop in one of
// $XDG_DATA_DIRS), or an empty path when there is none.
std::filesystem::path PackagedDesktopEntry();

// Writes the desktop entry that starts `executable`, under a name of its own
// (delvarine.desktop), so that it never hides the package's entry. When the
// package installed one, writes nothing and says so in `note`. 0 on success,
// else 1 with `error` set.
int RegisterDesktopEntry(const std::filesystem::path& executable, std::string& error,
                         std::string* note = nullptr);

// Removes the desktop entry if there is one.
void UnregisterDesktopEntry();

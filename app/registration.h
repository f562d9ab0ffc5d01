#pragma once

#include <filesystem>
#include <string>

// "RegServer" and "UnregServer" on this platform: the program's desktop entry
// in the user's applications folder ($XDG_DATA_HOME/applications, by default
// ~/.local/share/applications).

std::filesystem::path DesktopEntryPath();

// Writes the desktop entry that starts `executable`. 0 on success, else 1
// with `error` set.
int RegisterDesktopEntry(const std::filesystem::path& executable, std::string& error);

// Removes the desktop entry if there is one.
void UnregisterDesktopEntry();

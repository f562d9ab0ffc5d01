#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "logfile.h"

// Replaces the file at `path` with `content`, whole or not at all: written
// beside it under "NAME.new", flushed to the disk, closed and renamed over
// it, every step checked. A failure leaves the old file as it was. Returns an
// empty string, or what failed with the file and the system's reason.
std::string WriteFileWhole(const std::filesystem::path& path, std::string_view content,
                           const LogFileCalls& calls = kSystemLogFileCalls);

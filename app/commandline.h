#pragma once

#include <optional>
#include <string_view>

// The position just after the first character of `text` that is one of
// `separators`; none when no character is.
std::optional<std::size_t> FindOneOf(std::string_view text, std::string_view separators);

enum class StartMode { kRun, kRegister, kUnregister };

// Scans the whole command line (program path included) for "RegServer" or
// "UnregServer", ignoring case, after '-' or '/' and as the last thing on it.
StartMode ScanCommandLine(std::string_view commandLine);

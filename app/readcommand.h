#pragma once

#include <filesystem>
#include <string>
#include <vector>

// `delvarine read`: a reading run on the console. Returns the exit code;
// `logPath`, when given, receives the path of the run's log file.
int RunReadCommand(const std::vector<std::string>& arguments,
                   std::filesystem::path* logPath = nullptr);

extern const char* const kReadUsage;

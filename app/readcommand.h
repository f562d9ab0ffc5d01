#pragma once

#include <string>
#include <vector>

// `delvarine read`: a reading run on the console. Returns the exit code.
int RunReadCommand(const std::vector<std::string>& arguments);

extern const char* const kReadUsage;

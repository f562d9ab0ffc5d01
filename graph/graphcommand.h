#pragma once

#include <string>
#include <vector>

// `delvarine graph`: bins and pictures of a log on the console. Returns the exit code.
int RunGraphCommand(const std::vector<std::string>& arguments);

extern const char* const kGraphUsage;

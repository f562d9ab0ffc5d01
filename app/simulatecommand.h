#pragma once

#include <string>
#include <vector>

// `delvarine simulate`: a simulated receiver on a pseudo-terminal or a device.
int RunSimulateCommand(const std::vector<std::string>& arguments);

extern const char* const kSimulateUsage;

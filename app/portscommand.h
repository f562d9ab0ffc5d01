#pragma once

#include <string>
#include <vector>

// `delvarine ports`: the serial devices present, one per line: the path
// (the stable by-id name where there is one), then what the device is.
int RunPortsCommand(const std::vector<std::string>& arguments);

extern const char* const kPortsUsage;

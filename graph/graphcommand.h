#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// `delvarine graph LOGFILE [...]` (kGraphUsage): loads the log, prints the
// bins with --bins and the totals, writes the screen picture (PNG, SVG) or
// the paper picture (PDF) with --output. Returns the exit code: 0, 1 when the
// log cannot be read or the picture cannot be written, 2 for bad arguments
// (with the usage on `err`).
int RunGraphCommand(const std::vector<std::string>& arguments);
int RunGraphCommand(const std::vector<std::string>& arguments, std::ostream& out,
                    std::ostream& err);

extern const char* const kGraphUsage;

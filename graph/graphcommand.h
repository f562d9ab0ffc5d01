#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "graphdata.h"
#include "graphpicture.h"

// Writes the graphs of `data` to `path` (PNG, PDF, SVG, CSV by its ending);
// false with `error` set when it cannot.
using GraphExporter = std::function<bool(const std::string& path, const GraphData& data,
                                         const GraphSettings& settings, std::string& error)>;

// `delvarine graph LOGFILE [...]` (kGraphUsage): loads the log, prints the
// bins with --bins and the totals, writes the pictures or the bins with
// --output through `exporter`. Returns the exit code: 0, 1 when the log cannot
// be read or the file cannot be written, 2 for bad arguments (with the usage
// on `err`).
int RunGraphCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                    const GraphExporter& exporter);

// The arguments ask for a file to be written (--output): the command then
// needs an exporter.
bool GraphCommandWritesFile(const std::vector<std::string>& arguments);

// `path` ends in `ending` (lower case), in any case.
bool HasEnding(std::string_view path, std::string_view ending);
// `path` ends in .png, .pdf, .svg or .csv, in any case.
bool IsExportName(const std::string& path);

extern const char* const kGraphUsage;

#pragma once

#include <string>
#include <vector>

#include "graphdata.h"
#include "graphpicture.h"

// Writes the graphs of `data` to `path`, by its extension: the screen picture
// as PNG or SVG, the paper picture as PDF (an A4 page at 600 dpi), the minute
// bins as CSV. The file is written whole or not at all: a failure leaves an
// older file of that name as it was. False with `error` naming the file and
// the reason. Without a Qt application one is made for the fonts, off-screen.
bool ExportGraphs(const std::string& path, const GraphData& data, const GraphSettings& settings,
                  std::string& error);

// `delvarine graph` with every kind of --output (see RunGraphCommand).
int RunGraphCommand(const std::vector<std::string>& arguments);

#pragma once

#include <string>

#include "graphdata.h"

// The minute bins of the time axis for spreadsheets: a header row, then one
// row per minute: minute, time of day, receptions, peak level.
std::string BinsCsv(const GraphData& data);

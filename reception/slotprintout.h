#pragma once

#include <string>
#include <vector>

class Statistics;

// One text of the slot printout, its top left corner in printer units.
struct PrintedText {
  int x = 0;
  int y = 0;
  std::string text;  // UTF-8
};

// The printout of the eight slots in drawing order, laid out in cells of the
// printer font's average character width `cw` and height `lh`: the heading
// with the rounding (index 0 of the rounding selector: 1 s, else 10 s), then
// each slot's number, first and latest time, and the 61 rows of gap counts.
std::vector<PrintedText> SlotPrintout(const Statistics& statistics, int roundingIndex, int cw,
                                      int lh);

#pragma once

#include <string>
#include <variant>
#include <vector>

#include "graphdata.h"

// Where the two graphs stand, in the units of the surface they are drawn on.
// One record for the screen and one for paper; the drawing is the same code.
struct GraphGeometry {
  int x0;                // the axes' x
  int receptionTop;      // where the reception axis starts
  int division;          // one division of both scales
  int barsSpan;          // the width the bars of the whole span take
  int axisLength;        // the time axes' length from x0
  int titleDx, titleDy;  // a title relative to its axis start
  int receptionLabelDx, receptionLabelDy;
  int levelLabelDx, levelLabelDy;
  int tick;              // half a tick's length
  int levelGap;          // from the reception base line to the level axis start
  int minuteLabelDx, minuteLabelDy;
  int firstTextX, firstTextY;
  int lastTextX, lastTextY;
  bool averageLine;      // the rate line and TX/min: on screen only
  bool titleNamesInterval;  // the paper's title names the chosen interval

  int ReceptionBase() const { return receptionTop + 11 * division; }
  int LevelTop() const { return ReceptionBase() + levelGap; }
  int LevelBase() const { return LevelTop() + 12 * division; }

  static GraphGeometry Screen();
  static GraphGeometry Paper();  // in dots of a 600 dpi printer
};

// What the page has chosen: the interval in minutes (1, 2, 3, 5, 10), the top
// of the reception scale (1, 10, 20, 30, 60, 120) and the interval's text.
struct GraphSettings {
  int intervalMinutes = 1;
  int maxTx = 30;
  std::string intervalText = "1 мин.";
};

enum class GraphPen { kAxis, kPlot };

struct PictureLine {
  int x1, y1, x2, y2;
  GraphPen pen;
  bool operator==(const PictureLine&) const = default;
};

// A text with its top left corner at (x, y), in UTF-8.
struct PictureText {
  int x, y;
  std::string text;
  bool operator==(const PictureText&) const = default;
};

using PictureItem = std::variant<PictureLine, PictureText>;

// The two graphs as lines and texts in drawing order.
struct GraphPicture {
  std::vector<PictureItem> items;
  bool drawn = false;     // false while nothing is loaded
  std::string rateText;   // receptions per minute for the "TX/min" edit; empty on paper
};

// The two graphs of `data`: receptions per interval (the per-minute average)
// and the highest level, with their scales, minute labels and, on screen, the
// average receptions per minute.
GraphPicture DrawGraphs(const GraphData& data, const GraphSettings& settings,
                        const GraphGeometry& geometry);

// The interval and scale values of the page's lists, by item index.
int IntervalOfItem(int index);
int MaxTxOfItem(int index);

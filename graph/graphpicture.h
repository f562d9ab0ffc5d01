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
  int tick;      // half a tick's length
  int levelGap;  // from the reception base line to the level axis start
  int minuteLabelDx, minuteLabelDy;
  int firstTextX, firstTextY;
  int lastTextX, lastTextY;
  bool averageLine;         // the rate line and TX/min: on screen only
  bool titleNamesInterval;  // the paper's title names the chosen interval
  bool printerFont;         // texts in the printer's font, not the page's choice
  int levelLabelMinX;       // level labels never start left of this
  // Minute labels stand every 4th (q = 2) or 10th bar, or on a multiple of
  // that (x2, x3, x6, x12, ...) where bars are so narrow that labels would
  // touch: they keep the width of their digits plus a gap between them.
  int labelDigitWidth;
  int labelGap;
  // The least distance of two minute labels for a time axis of `span` minutes.
  int LabelSpacing(int span) const;

  int ReceptionBase() const { return receptionTop + 11 * division; }
  int LevelTop() const { return ReceptionBase() + levelGap; }
  int LevelBase() const { return LevelTop() + 12 * division; }

  static GraphGeometry Screen();
  static GraphGeometry Paper();  // in dots of a 600 dpi printer
};

enum class GraphFont {
  kNormal,   // "Норм.": the page's normal drawing font
  kSmall,    // "Уменьш.": the small Courier
  kPrinter,  // paper: about 9 points
};

// How a font is to look, for QPainter and for SVG alike. `pixelSize` is in
// the picture's units (pixels on screen, 600 dpi dots on paper).
struct FontFace {
  const char* families;  // comma-separated, in order of preference
  int pixelSize;
  bool bold;
  bool monospace;
};
FontFace FaceOf(GraphFont font);

// What the page has chosen: the interval in minutes (1, 2, 3, 5, 10), the top
// of the reception scale (1, 10, 20, 30, 60, 120), the interval's text and
// the drawing font (list 249).
struct GraphSettings {
  int intervalMinutes = 1;
  int maxTx = 30;
  std::string intervalText = "1 мин.";
  GraphFont font = GraphFont::kNormal;
  // What the picture shows, for a picture on its own (a saved file, a
  // printout): the transmitter, the day and the log. None on the screen.
  std::string caption;
};

// The caption of an exported or printed picture of `data` loaded from the
// log named `logName`.
std::string PictureCaption(const GraphData& data, const std::string& logName);

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

// The two graphs as lines and texts in drawing order; every text in `font`.
struct GraphPicture {
  std::vector<PictureItem> items;
  GraphFont font = GraphFont::kNormal;
  bool drawn = false;    // false while nothing is loaded
  std::string rateText;  // receptions per minute for the "TX/min" edit; empty on paper
};

// The two graphs of `data`: receptions per interval (the per-minute average)
// and the highest level, with their scales, minute labels and, on screen, the
// average receptions per minute. Bars are placed in proportion to the span;
// a reception bar stops at the top of its scale (maxTx), a level bar at 0 dB.
GraphPicture DrawGraphs(const GraphData& data, const GraphSettings& settings,
                        const GraphGeometry& geometry);

// Why a loaded log draws nothing, in Russian, a sentence a line: the
// transmitter is not in it (with those that are), or not in the window.
std::vector<std::string> NothingToDrawText(const GraphData& data);

// The interval and scale values of the page's lists, by item index.
int IntervalOfItem(int index);
int MaxTxOfItem(int index);

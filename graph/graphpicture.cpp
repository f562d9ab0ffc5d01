#include "graphpicture.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "stringtable.h"

namespace {

std::string Decimal(long long value) { return std::to_string(value); }

std::string OneDecimal(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%0.1f", value);
  return text;
}

}  // namespace

GraphGeometry GraphGeometry::Screen() {
  GraphGeometry g{};
  g.x0 = 40;
  g.receptionTop = 20;
  g.division = 20;
  g.barsSpan = 800;
  g.axisLength = 900;
  g.titleDx = 20;
  g.titleDy = -10;
  g.receptionLabelDx = -25;
  g.receptionLabelDy = -7;
  g.levelLabelDx = -35;
  g.levelLabelDy = -7;
  g.tick = 3;
  g.levelGap = 60;
  g.minuteLabelDx = -10;
  g.minuteLabelDy = 10;
  g.firstTextX = 25;
  g.firstTextY = 270;
  g.lastTextX = 820;
  g.lastTextY = 270;
  g.averageLine = true;
  g.titleNamesInterval = false;
  g.printerFont = false;
  g.levelLabelMinX = 0;
  g.labelDigitWidth = 8;  // the normal font's digits; the small one's are narrower
  g.labelGap = 8;
  return g;
}

GraphGeometry GraphGeometry::Paper() {
  GraphGeometry g = Screen();
  g.x0 = 200;
  g.division = 150;
  g.barsSpan = 4000;
  g.axisLength = 4100;
  g.receptionLabelDx = -125;
  g.receptionLabelDy = -35;
  // x0 - 215 is x -15: the labels are moved in to start at the printable
  // area's edge (levelLabelMinX).
  g.levelLabelDx = -215;
  g.levelLabelDy = -35;
  g.tick = 15;
  g.levelGap = 300;
  g.firstTextX = 185;
  g.firstTextY = 1820;
  g.lastTextX = 4180;
  g.lastTextY = 1820;
  g.averageLine = false;
  g.titleNamesInterval = true;
  g.printerFont = true;
  g.levelLabelMinX = 0;
  g.labelDigitWidth = 48;
  g.labelGap = 40;
  return g;
}

FontFace FaceOf(GraphFont font) {
  switch (font) {
    case GraphFont::kSmall:
      return {"Courier, DejaVu Sans Mono, monospace", 10, false, true};
    case GraphFont::kPrinter:
      return {"DejaVu Sans, Arial, sans-serif", 75, false, false};
    case GraphFont::kNormal:
      break;
  }
  // Narrow enough that "-110" stays clear of the axis, as the system font did.
  return {"DejaVu Sans Condensed, DejaVu Sans, Arial, sans-serif", 13, true, false};
}

int GraphGeometry::LabelSpacing(int span) const {
  int digits = 1;
  for (int largest = span - 1; largest >= 10; largest /= 10) ++digits;
  return digits * labelDigitWidth + labelGap;
}

int IntervalOfItem(int index) {
  static constexpr std::array<int, 5> kIntervals = {1, 2, 3, 5, 10};
  return index >= 0 && index < 5 ? kIntervals[static_cast<std::size_t>(index)] : 1;
}

int MaxTxOfItem(int index) {
  static constexpr std::array<int, 6> kTops = {1, 10, 20, 30, 60, 120};
  return index >= 0 && index < 6 ? kTops[static_cast<std::size_t>(index)] : 30;
}

std::vector<std::string> NothingToDrawText(const GraphData& data) {
  const std::string name = "«" + data.transmitter + "»";
  if (data.matchedLines == 0) {
    std::vector<std::string> text = {"Передатчика " + name + " в журнале нет."};
    if (data.transmitters.empty()) {
      text.push_back("В журнале нет строк приёма.");
    } else {
      // The most frequent first, so that noise never hides a transmitter.
      constexpr std::size_t kShown = 12;
      std::string list = "В журнале: ";
      const std::vector<std::string> frequent = FrequentTransmitters(data, kShown);
      for (std::size_t i = 0; i < frequent.size(); ++i) list += (i > 0 ? ", " : "") + frequent[i];
      if (data.transmitters.size() > kShown)
        list += " и ещё " + std::to_string(data.transmitters.size() - kShown);
      text.push_back(list + ".");
    }
    return text;
  }
  std::string window = "С " + data.firstText + " до " + data.lastText;
  if (data.dayCount > 1) window += " (день " + std::to_string(data.day) + ")";
  return {window + " приёмов передатчика " + name + " нет.",
          "Измените время первого и последнего приёма или день."};
}

std::string PictureCaption(const GraphData& data, const std::string& logName) {
  std::string caption = "Передатчик " + data.transmitter;
  if (!data.dateText.empty()) {
    caption += ", " + data.dateText;
  } else if (data.dayCount > 1) {
    caption += ", день " + std::to_string(data.day);
  }
  if (!logName.empty()) caption += ", журнал " + logName;
  return caption;
}

GraphPicture DrawGraphs(const GraphData& data, const GraphSettings& settings,
                        const GraphGeometry& g) {
  GraphPicture picture;
  picture.font = g.printerFont ? GraphFont::kPrinter : settings.font;
  if (data.loaded && !settings.caption.empty()) {
    // On the title line, clear of the title on its left.
    picture.items.push_back(
        PictureText{g.x0 + g.axisLength * 2 / 5, g.receptionTop + g.titleDy, settings.caption});
  }
  if (data.spanMinutes <= 0) {
    if (!data.loaded) return picture;
    // Loaded, but nothing in the window: said where the graphs would be,
    // never drawn as an axis of a whole day.
    picture.drawn = true;
    int y = g.receptionTop + 4 * g.division;
    for (const std::string& sentence : NothingToDrawText(data)) {
      picture.items.push_back(PictureText{g.x0, y, sentence});
      y += 2 * g.division;
    }
    if (g.averageLine) picture.rateText = "0";
    return picture;
  }
  picture.drawn = true;
  auto& items = picture.items;
  const auto line = [&](int x1, int y1, int x2, int y2, GraphPen pen) {
    items.push_back(PictureLine{x1, y1, x2, y2, pen});
  };
  const auto text = [&](int x, int y, std::string value) {
    items.push_back(PictureText{x, y, std::move(value)});
  };
  const int q = std::max(1, settings.intervalMinutes);
  const int maxTx = std::max(1, settings.maxTx);
  const int span = data.spanMinutes;
  const int x0 = g.x0;
  const int d = g.division;

  // Reception graph.
  std::string title(strings::Load(strings::kReceptionsPer));
  title += g.titleNamesInterval ? settings.intervalText
                                : std::string(strings::Load(strings::kOneMinute));
  text(x0 + g.titleDx, g.receptionTop + g.titleDy, title);
  line(x0, g.receptionTop, x0, g.receptionTop + d, GraphPen::kAxis);
  for (int k = 0; k < 10; ++k) {
    const int y = g.receptionTop + d + d * k;
    const std::string label =
        maxTx >= 10 ? Decimal(maxTx - k * (maxTx / 10)) : OneDecimal(maxTx * (10 - k) / 10.0);
    text(x0 + g.receptionLabelDx, y + g.receptionLabelDy, label);
    line(x0 - g.tick, y, x0 + g.tick, y, GraphPen::kAxis);
    line(x0, y, x0, y + d, GraphPen::kAxis);
  }
  const int receptionBase = g.ReceptionBase();
  text(g.firstTextX, g.firstTextY, data.firstText);
  line(x0, receptionBase, x0 + g.axisLength, receptionBase, GraphPen::kAxis);

  // Level graph: 0 dB at the top, -110 dB on the base line.
  const int levelTop = g.LevelTop();
  text(x0 + g.titleDx, levelTop + g.titleDy, std::string(strings::Load(strings::kRelativeLevel)));
  line(x0, levelTop, x0, levelTop + d, GraphPen::kAxis);
  for (int j = 0; j <= 11; ++j) {
    const int y = levelTop + d + d * j;
    text(std::max(g.levelLabelMinX, x0 + g.levelLabelDx), y + g.levelLabelDy, Decimal(-10 * j));
    if (j == 11) break;
    line(x0 - g.tick, y, x0 + g.tick, y, GraphPen::kAxis);
    line(x0, y, x0, y + d, GraphPen::kAxis);
  }
  const int levelBase = g.LevelBase();
  line(x0, levelBase, x0 + g.axisLength, levelBase, GraphPen::kAxis);

  // Bars: bar i covers minutes i*q .. i*q+q-1 and stands in proportion to
  // the span, so a long span still shows every minute.
  const auto barX = [&](long long i) {
    return x0 + static_cast<int>(i * q * static_cast<long long>(g.barsSpan) / span);
  };
  // The minute labels: every 4th bar for q = 2, every 10th otherwise, thinned
  // by x2, x3, x6, x12, ... where that would put them closer than the spacing.
  const int baseStep = q == 2 ? 8 : 10 * q;
  int multiple = 1;
  const auto spacing = [&] {
    return static_cast<long long>(baseStep) * multiple * g.barsSpan / span;
  };
  const int wanted = g.LabelSpacing(span);
  while (spacing() < wanted) multiple = multiple == 1 ? 2 : multiple == 2 ? 3 : 2 * multiple;
  const int labelStep = baseStep * multiple;
  // A reception bar above the scale's top (maxTx) stops there, clear of the title.
  const int tallest = 10 * d;
  int nextLabel = 0;
  long long i = 0;
  int x = x0;
  for (int s = 0; s < span; s += q, ++i) {
    const int left = barX(i);
    const int right = barX(i + 1);
    if (s == nextLabel) {
      text(left + g.minuteLabelDx, receptionBase + g.minuteLabelDy, Decimal(s));
      text(left + g.minuteLabelDx, levelBase + g.minuteLabelDy, Decimal(s));
      nextLabel = s + labelStep;
    }
    double sum = 0;
    double peak = 0;
    for (int m = s; m < s + q; ++m) {
      if (m < 0 || static_cast<std::size_t>(m) >= GraphData::kBinCount) continue;
      sum += data.receptionCounts[static_cast<std::size_t>(m)];
      peak = std::max(peak, data.peakLevels[static_cast<std::size_t>(m)]);
    }
    const int h1 = std::min(tallest, static_cast<int>(sum / q * 10 / maxTx * d));
    // Bytes that are no hexadecimal digit read above 15: the bar stops at 0 dB.
    const int h2 = peak > 0 ? static_cast<int>((std::min(peak, 15.0) - 4) * d) : 0;
    line(left, receptionBase, left, receptionBase - h1, GraphPen::kPlot);
    line(left, receptionBase - h1, right, receptionBase - h1, GraphPen::kPlot);
    line(right, receptionBase - h1, right, receptionBase, GraphPen::kPlot);
    line(left, levelBase, left, levelBase - h2, GraphPen::kPlot);
    line(left, levelBase - h2, right, levelBase - h2, GraphPen::kPlot);
    line(right, levelBase - h2, right, levelBase, GraphPen::kPlot);
    x = right;
  }
  text(g.lastTextX, g.lastTextY, data.lastText);
  // The day's date under the middle of the axis, where the log's name tells it.
  if (!data.dateText.empty()) {
    text(x0 + g.axisLength / 2 - 5 * g.labelDigitWidth, g.firstTextY, data.dateText);
  }

  if (g.averageLine) {
    // Receptions per minute over the same span as the axis.
    const int rate = static_cast<int>(static_cast<double>(data.receptionTotal) / span + 0.5);
    picture.rateText = Decimal(rate);
    // Above the scale's top it stays there, as the bars do.
    const long long lift =
        std::min<long long>(tallest, static_cast<long long>(rate) * 10 * d / maxTx);
    const int y = receptionBase - static_cast<int>(lift);
    line(x0, y, x, y, GraphPen::kAxis);
  }
  return picture;
}

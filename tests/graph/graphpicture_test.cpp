#include "graphpicture.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "svgwriter.h"

namespace {

GraphData Loaded(int span, int total = 0) {
  GraphData data;
  data.firstText = "10:00";
  data.lastText = "12:00";
  data.spanMinutes = span;
  data.receptionTotal = total;
  return data;
}

GraphSettings Choice(int interval, int maxTx, std::string text = "1 мин.") {
  GraphSettings settings;
  settings.intervalMinutes = interval;
  settings.maxTx = maxTx;
  settings.intervalText = std::move(text);
  return settings;
}

std::vector<PictureText> Texts(const GraphPicture& picture) {
  std::vector<PictureText> texts;
  for (const auto& item : picture.items) {
    if (const auto* text = std::get_if<PictureText>(&item)) texts.push_back(*text);
  }
  return texts;
}

bool HasText(const GraphPicture& picture, int x, int y, const std::string& value) {
  const auto texts = Texts(picture);
  return std::find(texts.begin(), texts.end(), PictureText{x, y, value}) != texts.end();
}

bool HasLine(const GraphPicture& picture, PictureLine line) {
  return std::find(picture.items.begin(), picture.items.end(), PictureItem(line)) !=
         picture.items.end();
}

TEST(GraphPictureTest, NothingIsDrawnWhileNothingIsLoaded) {
  const GraphPicture picture = DrawGraphs(Loaded(0), Choice(1, 30), GraphGeometry::Screen());
  EXPECT_FALSE(picture.drawn);
  EXPECT_TRUE(picture.items.empty());
}

TEST(GraphPictureTest, ScreenScalesTitlesAndTexts) {
  const GraphPicture picture =
      DrawGraphs(Loaded(120), Choice(5, 30, "5 мин."), GraphGeometry::Screen());
  // The screen title names one minute whatever the interval.
  EXPECT_TRUE(HasText(picture, 60, 10, "Количество приемов за 1 мин."));
  EXPECT_TRUE(HasText(picture, 60, 290, "Относительный уровень сигнала, dB"));
  for (int k = 0; k < 10; ++k) {
    EXPECT_TRUE(HasText(picture, 15, 40 + 20 * k - 7, std::to_string(30 - 3 * k))) << k;
    EXPECT_TRUE(HasLine(picture, {37, 40 + 20 * k, 43, 40 + 20 * k, GraphPen::kAxis}));
  }
  for (int j = 0; j <= 11; ++j)
    EXPECT_TRUE(HasText(picture, 5, 320 + 20 * j - 7, std::to_string(-10 * j)));
  EXPECT_FALSE(HasLine(picture, {37, 540, 43, 540, GraphPen::kAxis}));  // no tick at -110
  EXPECT_TRUE(HasLine(picture, {40, 240, 940, 240, GraphPen::kAxis}));
  EXPECT_TRUE(HasLine(picture, {40, 540, 940, 540, GraphPen::kAxis}));
  EXPECT_TRUE(HasText(picture, 25, 270, "10:00"));
  EXPECT_TRUE(HasText(picture, 820, 270, "12:00"));
}

TEST(GraphPictureTest, ScaleLabelsForEveryTop) {
  struct Case {
    int maxTx;
    std::vector<std::string> labels;
  };
  const std::vector<Case> cases = {
      {1, {"1.0", "0.9", "0.8", "0.7", "0.6", "0.5", "0.4", "0.3", "0.2", "0.1"}},
      {10, {"10", "9", "8", "7", "6", "5", "4", "3", "2", "1"}},
      {20, {"20", "18", "16", "14", "12", "10", "8", "6", "4", "2"}},
      {30, {"30", "27", "24", "21", "18", "15", "12", "9", "6", "3"}},
      {60, {"60", "54", "48", "42", "36", "30", "24", "18", "12", "6"}},
      {120, {"120", "108", "96", "84", "72", "60", "48", "36", "24", "12"}},
  };
  for (const Case& c : cases) {
    const GraphPicture picture =
        DrawGraphs(Loaded(60), Choice(1, c.maxTx), GraphGeometry::Screen());
    for (int k = 0; k < 10; ++k) {
      EXPECT_TRUE(HasText(picture, 15, 40 + 20 * k - 7, c.labels[static_cast<std::size_t>(k)]))
          << c.maxTx << " " << k;
    }
  }
}

TEST(GraphPictureTest, FontIsThePagesChoiceOnScreenAndThePrintersOnPaper) {
  GraphSettings settings = Choice(1, 30);
  EXPECT_EQ(DrawGraphs(Loaded(60), settings, GraphGeometry::Screen()).font, GraphFont::kNormal);
  settings.font = GraphFont::kSmall;
  EXPECT_EQ(DrawGraphs(Loaded(60), settings, GraphGeometry::Screen()).font, GraphFont::kSmall);
  EXPECT_EQ(DrawGraphs(Loaded(60), settings, GraphGeometry::Paper()).font, GraphFont::kPrinter);
  EXPECT_EQ(FaceOf(GraphFont::kSmall).pixelSize, 10);
}

TEST(GraphPictureTest, MinuteLabelsEveryFourthBarForTwoMinutesElseEveryTenth) {
  const auto labels = [](int interval) {
    std::vector<std::string> values;
    for (const auto& text :
         Texts(DrawGraphs(Loaded(100), Choice(interval, 30), GraphGeometry::Screen()))) {
      if (text.y == 250) values.push_back(text.text);
    }
    return values;
  };
  EXPECT_EQ(labels(2), (std::vector<std::string>{"0", "8", "16", "24", "32", "40", "48", "56", "64",
                                                 "72", "80", "88", "96"}));
  EXPECT_EQ(labels(1),
            (std::vector<std::string>{"0", "10", "20", "30", "40", "50", "60", "70", "80", "90"}));
  EXPECT_EQ(labels(5), (std::vector<std::string>{"0", "50"}));
}

TEST(GraphPictureTest, MinuteLabelsOfALongSpanAreThinnedToStayReadable) {
  const auto labels = [](int span, int interval, const GraphGeometry& geometry, int y) {
    std::vector<PictureText> found;
    for (const auto& text : Texts(DrawGraphs(Loaded(span), Choice(interval, 30), geometry))) {
      if (text.y == y) found.push_back(text);
    }
    return found;
  };
  // Labels of up to four digits at 8 px each and a gap of 8.
  EXPECT_EQ(GraphGeometry::Screen().LabelSpacing(1439), 40);
  EXPECT_EQ(GraphGeometry::Screen().LabelSpacing(180), 32);
  // Three hours of two-minute bars keep the usual every 4th bar: 35 px apart.
  EXPECT_EQ(labels(180, 2, GraphGeometry::Screen(), 250).size(), 23u);
  // The whole day at one minute: every 120 minutes, not every 10.
  const auto day = labels(1439, 1, GraphGeometry::Screen(), 250);
  ASSERT_EQ(day.size(), 12u);
  EXPECT_EQ(day[1].text, "120");
  EXPECT_EQ(day[1].x, 40 + 120 * 800 / 1439 - 10);
  for (int interval : {1, 2, 3, 5, 10}) {
    for (int span = 1; span <= 3000; span += 7) {
      for (const auto& [geometry, y] :
           {std::pair{GraphGeometry::Screen(), 250}, std::pair{GraphGeometry::Paper(), 1680}}) {
        const auto found = labels(span, interval, geometry, y);
        ASSERT_FALSE(found.empty());
        EXPECT_EQ(found[0].text, "0");
        for (std::size_t n = 1; n < found.size(); ++n) {
          EXPECT_GE(found[n].x - found[n - 1].x, geometry.LabelSpacing(span) - 1)
              << span << " " << interval;
          // Always on a multiple of the usual step.
          EXPECT_EQ(std::stoi(found[n].text) % (interval == 2 ? 8 : 10 * interval), 0);
        }
      }
    }
  }
}

TEST(GraphPictureTest, ReceptionBarsAndTheAverageStopAtTheTopOfTheScale) {
  GraphData data = Loaded(2, 200);
  data.receptionCounts[0] = 100;
  data.receptionCounts[1] = 10;
  GraphPicture picture = DrawGraphs(data, Choice(1, 10), GraphGeometry::Screen());
  // 100 a minute on a scale of 10 would be 2000 px: it stops at 10, y 40.
  EXPECT_TRUE(HasLine(picture, {40, 240, 40, 40, GraphPen::kPlot}));
  EXPECT_TRUE(HasLine(picture, {40, 40, 440, 40, GraphPen::kPlot}));
  EXPECT_TRUE(HasLine(picture, {440, 40, 840, 40, GraphPen::kPlot}));  // 10 is the top itself
  EXPECT_EQ(picture.rateText, "100");
  EXPECT_TRUE(HasLine(picture, {40, 40, 840, 40, GraphPen::kAxis}));
  picture = DrawGraphs(data, Choice(1, 10), GraphGeometry::Paper());
  EXPECT_TRUE(HasLine(picture, {200, 1670, 200, 170, GraphPen::kPlot}));
}

TEST(GraphPictureTest, BarsAverageTheIntervalAndStandInProportion) {
  GraphData data = Loaded(4);
  data.receptionCounts[0] = 3;
  data.receptionCounts[1] = 1;
  data.peakLevels[0] = 15;
  data.peakLevels[1] = 9;
  // One minute per bar over 4 minutes: bars of 200 pixels; 3 receptions on a scale of 30 is 20 px.
  GraphPicture picture = DrawGraphs(data, Choice(1, 30), GraphGeometry::Screen());
  EXPECT_TRUE(HasLine(picture, {40, 240, 40, 220, GraphPen::kPlot}));
  EXPECT_TRUE(HasLine(picture, {40, 220, 240, 220, GraphPen::kPlot}));
  EXPECT_TRUE(HasLine(picture, {40, 540, 40, 320, GraphPen::kPlot}));    // 'F' reaches 0 dB
  EXPECT_TRUE(HasLine(picture, {240, 540, 240, 440, GraphPen::kPlot}));  // level 9
  // Two minutes per bar: the average 2 per minute, the highest level 15.
  picture = DrawGraphs(data, Choice(2, 10), GraphGeometry::Screen());
  EXPECT_TRUE(HasLine(picture, {40, 240, 40, 200, GraphPen::kPlot}));
  EXPECT_TRUE(HasLine(picture, {40, 320, 440, 320, GraphPen::kPlot}));
  // A whole day still gives every minute a place.
  picture = DrawGraphs(Loaded(1439), Choice(1, 30), GraphGeometry::Screen());
  EXPECT_TRUE(HasLine(picture,
                      {40 + 1000 * 800 / 1439, 240, 40 + 1001 * 800 / 1439, 240, GraphPen::kPlot}));
}

TEST(GraphPictureTest, RateIsTheRoundedAverageAndDrawsTheLine) {
  const GraphPicture picture = DrawGraphs(Loaded(2, 7), Choice(1, 10), GraphGeometry::Screen());
  EXPECT_EQ(picture.rateText, "4");
  EXPECT_TRUE(HasLine(picture, {40, 240 - 4 * 200 / 10, 840, 240 - 4 * 200 / 10, GraphPen::kAxis}));
}

TEST(GraphPictureTest, PaperUsesThePrinterCoordinates) {
  GraphData data = Loaded(4);
  data.receptionCounts[1] = 3;
  data.peakLevels[1] = 9;
  const GraphPicture picture = DrawGraphs(data, Choice(1, 30, "1 мин."), GraphGeometry::Paper());
  for (int k = 0; k < 10; ++k) {
    const int y = 170 + 150 * k;
    EXPECT_TRUE(HasLine(picture, {185, y, 215, y, GraphPen::kAxis})) << k;
    EXPECT_TRUE(HasLine(picture, {200, y, 200, y + 150, GraphPen::kAxis})) << k;
  }
  for (int j = 0; j <= 11; ++j) {
    // x0 - 215 would be x -15: moved in to the edge of the printable area.
    EXPECT_TRUE(HasText(picture, 0, 2120 + 150 * j - 35, std::to_string(-10 * j))) << j;
  }
  EXPECT_TRUE(HasLine(picture, {200, 1970, 200, 2120, GraphPen::kAxis}));
  EXPECT_TRUE(HasLine(picture, {200, 3770, 4300, 3770, GraphPen::kAxis}));
  // Bars of 1000 dots: minute 1 from x 1200; 3 receptions on a scale of 30 is
  // one division (150), level 9 five (750).
  EXPECT_TRUE(HasLine(picture, {1200, 1670, 1200, 1520, GraphPen::kPlot}));
  EXPECT_TRUE(HasLine(picture, {1200, 1520, 2200, 1520, GraphPen::kPlot}));
  EXPECT_TRUE(HasLine(picture, {1200, 3770, 1200, 3020, GraphPen::kPlot}));
  EXPECT_TRUE(HasText(picture, 190, 1680, "0"));
  EXPECT_TRUE(HasText(picture, 190, 3780, "0"));
  // No average line on paper: the only axis-pen lines are axes and ticks.
  for (const auto& item : picture.items) {
    if (const auto* line = std::get_if<PictureLine>(&item); line && line->pen == GraphPen::kAxis) {
      EXPECT_TRUE(line->x1 == line->x2 || line->y1 == 1670 || line->y1 == 3770 ||
                  line->x2 - line->x1 == 30);
    }
  }
}

TEST(GraphPictureTest, PaperNamesTheIntervalAndKeepsLabelsOnThePage) {
  const GraphPicture picture =
      DrawGraphs(Loaded(120, 50), Choice(10, 30, "10 мин."), GraphGeometry::Paper());
  EXPECT_TRUE(HasText(picture, 220, 10, "Количество приемов за 10 мин."));
  EXPECT_TRUE(HasText(picture, 220, 1960, "Относительный уровень сигнала, dB"));
  EXPECT_TRUE(HasLine(picture, {200, 20, 200, 170, GraphPen::kAxis}));
  EXPECT_TRUE(HasText(picture, 75, 170 - 35, "30"));
  EXPECT_TRUE(HasLine(picture, {200, 1670, 4300, 1670, GraphPen::kAxis}));
  EXPECT_TRUE(HasText(picture, 0, 2120 - 35, "0"));
  EXPECT_TRUE(HasText(picture, 185, 1820, "10:00"));
  EXPECT_TRUE(HasText(picture, 4180, 1820, "12:00"));
  for (const auto& text : Texts(picture)) EXPECT_GE(text.x, 0) << text.text;
  EXPECT_TRUE(picture.rateText.empty());  // no rate on paper
}

TEST(GraphPictureTest, SvgHoldsEveryLineAndEscapedText) {
  GraphData data = Loaded(10);
  data.lastText = "<&>";
  const GraphPicture picture = DrawGraphs(data, Choice(1, 30), GraphGeometry::Screen());
  const std::string svg = WriteSvg(picture, 865, 642);
  EXPECT_NE(svg.find("width=\"865\" height=\"642\""), std::string::npos);
  // Texts stand with their top at their point: the baseline one ascent lower.
  EXPECT_NE(svg.find("<text x=\"60\" y=\"22\""), std::string::npos);
  EXPECT_NE(
      svg.find("<line x1=\"40.5\" y1=\"240.5\" x2=\"940.5\" y2=\"240.5\" stroke=\"#000000\"/>"),
      std::string::npos);
  std::size_t lines = 0;
  for (std::size_t at = svg.find("<line"); at != std::string::npos; at = svg.find("<line", at + 1))
    ++lines;
  std::size_t expected = 0;
  for (const auto& item : picture.items) {
    if (std::holds_alternative<PictureLine>(item)) ++expected;
  }
  EXPECT_EQ(lines, expected);
  EXPECT_NE(svg.find("&lt;&amp;&gt;"), std::string::npos);
  EXPECT_NE(svg.find("Количество приемов за 1 мин."), std::string::npos);
}

}  // namespace

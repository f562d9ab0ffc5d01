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
  return {interval, maxTx, std::move(text)};
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
  return std::find(picture.items.begin(), picture.items.end(), PictureItem(line)) != picture.items.end();
}

TEST(GraphPictureTest, NothingIsDrawnWhileNothingIsLoaded) {
  const GraphPicture picture = DrawGraphs(Loaded(0), Choice(1, 30), GraphGeometry::Screen());
  EXPECT_FALSE(picture.drawn);
  EXPECT_TRUE(picture.items.empty());
}

TEST(GraphPictureTest, ScreenScalesTitlesAndTexts) {
  const GraphPicture picture = DrawGraphs(Loaded(120), Choice(5, 30, "5 мин."), GraphGeometry::Screen());
  // The screen title names one minute whatever the interval.
  EXPECT_TRUE(HasText(picture, 60, 10, "Количество приемов за 1 мин."));
  EXPECT_TRUE(HasText(picture, 60, 290, "Относительный уровень сигнала, dB"));
  for (int k = 0; k < 10; ++k) {
    EXPECT_TRUE(HasText(picture, 15, 40 + 20 * k - 7, std::to_string(30 - 3 * k))) << k;
    EXPECT_TRUE(HasLine(picture, {37, 40 + 20 * k, 43, 40 + 20 * k, GraphPen::kAxis}));
  }
  for (int j = 0; j <= 11; ++j) EXPECT_TRUE(HasText(picture, 5, 320 + 20 * j - 7, std::to_string(-10 * j)));
  EXPECT_FALSE(HasLine(picture, {37, 540, 43, 540, GraphPen::kAxis}));  // no tick at -110
  EXPECT_TRUE(HasLine(picture, {40, 240, 940, 240, GraphPen::kAxis}));
  EXPECT_TRUE(HasLine(picture, {40, 540, 940, 540, GraphPen::kAxis}));
  EXPECT_TRUE(HasText(picture, 25, 270, "10:00"));
  EXPECT_TRUE(HasText(picture, 820, 270, "12:00"));
}

TEST(GraphPictureTest, ScaleOfOneIsLabelledInTenths) {
  const GraphPicture picture = DrawGraphs(Loaded(60), Choice(1, 1), GraphGeometry::Screen());
  EXPECT_TRUE(HasText(picture, 15, 33, "1.0"));
  EXPECT_TRUE(HasText(picture, 15, 213, "0.1"));
}

TEST(GraphPictureTest, MinuteLabelsEveryFourthBarForTwoMinutesElseEveryTenth) {
  const auto labels = [](int interval) {
    std::vector<std::string> values;
    for (const auto& text : Texts(DrawGraphs(Loaded(100), Choice(interval, 30), GraphGeometry::Screen()))) {
      if (text.y == 250) values.push_back(text.text);
    }
    return values;
  };
  EXPECT_EQ(labels(2), (std::vector<std::string>{"0", "8", "16", "24", "32", "40", "48", "56", "64", "72", "80", "88", "96"}));
  EXPECT_EQ(labels(1), (std::vector<std::string>{"0", "10", "20", "30", "40", "50", "60", "70", "80", "90"}));
  EXPECT_EQ(labels(5), (std::vector<std::string>{"0", "50"}));
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
  EXPECT_TRUE(HasLine(picture, {40, 540, 40, 320, GraphPen::kPlot}));  // 'F' reaches 0 dB
  EXPECT_TRUE(HasLine(picture, {240, 540, 240, 440, GraphPen::kPlot}));  // level 9
  // Two minutes per bar: the average 2 per minute, the highest level 15.
  picture = DrawGraphs(data, Choice(2, 10), GraphGeometry::Screen());
  EXPECT_TRUE(HasLine(picture, {40, 240, 40, 200, GraphPen::kPlot}));
  EXPECT_TRUE(HasLine(picture, {40, 320, 440, 320, GraphPen::kPlot}));
  // A whole day still gives every minute a place.
  picture = DrawGraphs(Loaded(1439), Choice(1, 30), GraphGeometry::Screen());
  EXPECT_TRUE(HasLine(picture, {40 + 1000 * 800 / 1439, 240, 40 + 1001 * 800 / 1439, 240, GraphPen::kPlot}));
}

TEST(GraphPictureTest, RateIsTheRoundedAverageAndDrawsTheLine) {
  const GraphPicture picture = DrawGraphs(Loaded(2, 7), Choice(1, 10), GraphGeometry::Screen());
  EXPECT_EQ(picture.rateText, "4");
  EXPECT_TRUE(HasLine(picture, {40, 240 - 4 * 200 / 10, 840, 240 - 4 * 200 / 10, GraphPen::kAxis}));
}

TEST(GraphPictureTest, PaperNamesTheIntervalAndKeepsLabelsOnThePage) {
  const GraphPicture picture = DrawGraphs(Loaded(120, 50), Choice(10, 30, "10 мин."), GraphGeometry::Paper());
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
  const std::string svg = WriteSvg(picture, 867, 644, 13);
  std::size_t lines = 0;
  for (std::size_t at = svg.find("<line"); at != std::string::npos; at = svg.find("<line", at + 1)) ++lines;
  std::size_t expected = 0;
  for (const auto& item : picture.items) {
    if (std::holds_alternative<PictureLine>(item)) ++expected;
  }
  EXPECT_EQ(lines, expected);
  EXPECT_NE(svg.find("&lt;&amp;&gt;"), std::string::npos);
  EXPECT_NE(svg.find("Количество приемов за 1 мин."), std::string::npos);
}

}  // namespace

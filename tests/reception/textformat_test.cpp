#include "textformat.h"

#include <gtest/gtest.h>

namespace {

TEST(ZeroPad, FillsShortTextsAndLeavesOthersAlone) {
  const struct {
    const char* text;
    std::size_t width;
    const char* padded;
  } cases[] = {{"7", 2, "07"},   {"12", 2, "12"}, {"123", 2, "123"},
               {"42", 3, "042"}, {"", 2, "00"},   {"5", 4, "0005"}};
  for (const auto& c : cases) EXPECT_EQ(ZeroPad(c.text, c.width), c.padded) << c.text;
}

TEST(TimeStamp, IsThirteenCharactersWithLeadingZeros) {
  EXPECT_EQ(TimeStamp({2026, 3, 3, 7, 5, 3, 42}), "07:05:03:042 ");
  EXPECT_EQ(TimeStamp({2026, 12, 31, 23, 59, 59, 999}), "23:59:59:999 ");
  EXPECT_EQ(TimeStamp({}), "00:00:00:000 ");
}

TEST(FormatClock, IsHoursMinutesSeconds) {
  EXPECT_EQ(FormatClock({7, 5, 3}), "07:05:03");
  EXPECT_EQ(FormatClock({23, 59, 0}), "23:59:00");
}

}  // namespace

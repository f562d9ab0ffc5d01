#include "lineframer.h"

#include <gtest/gtest.h>

#include <vector>

#include "testdoubles.h"

namespace {

const LocalTime kFirst = ScriptedClock::Day(7, 5, 3, 42);
const LocalTime kSecond = ScriptedClock::Day(7, 5, 4, 500);

class LineFramerTest : public ::testing::Test {
 protected:
  // Feeds `bytes`; returns the lines completed on the way.
  std::vector<std::string> Feed(std::string_view bytes) {
    std::vector<std::string> lines;
    for (char c : bytes) {
      if (framer.Feed(static_cast<std::uint8_t>(c), clock)) lines.push_back(framer.Line());
    }
    return lines;
  }

  ScriptedClock clock{{kFirst, kSecond}};
  LineFramer framer;
};

TEST_F(LineFramerTest, StampsALineWithTheTimeOfItsFirstByte) {
  EXPECT_EQ(Feed("P12345678\r\nP0\r\n"),
            (std::vector<std::string>{"07:05:03:042 P12345678\r\n", "07:05:04:500 P0\r\n"}));
}

TEST_F(LineFramerTest, ANulFirstByteFixesTheStampButIsDropped) {
  EXPECT_EQ(Feed(std::string_view("\0P1\0"
                                  "2\r\n",
                                  7)),
            (std::vector<std::string>{"07:05:03:042 P12\r\n"}));
}

TEST_F(LineFramerTest, BareLfIsAStampedLine) {
  EXPECT_EQ(Feed("\n"), (std::vector<std::string>{"07:05:03:042 \n"}));
}

TEST_F(LineFramerTest, OnlyLfEndsALine) {
  EXPECT_EQ(Feed("P1\rP2\r\r\n"), (std::vector<std::string>{"07:05:03:042 P1\rP2\r\r\n"}));
  EXPECT_TRUE(Feed("P3\r").empty());
}

TEST_F(LineFramerTest, LineThatFillsTheBufferIsKeptWhole) {
  const std::string payload(LineFramer::kLineCapacity - 13 - 1, 'A');
  const auto lines = Feed(payload + "\n");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "07:05:03:042 " + payload + "\n");
}

TEST_F(LineFramerTest, OverlongLineKeepsItsFirstBytesAndDropsTheRestUpToItsLf) {
  const std::string kept(LineFramer::kLineCapacity - 13 - 1, 'A');
  const auto lines = Feed(kept + std::string(5000, 'B') + "\r\nP12345678\r\n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "07:05:03:042 " + kept + "\n");
  EXPECT_EQ(lines[0].size(), LineFramer::kLineCapacity);
  // The next line is framed as usual.
  EXPECT_EQ(lines[1], "07:05:04:500 P12345678\r\n");
}

TEST_F(LineFramerTest, ResetDropsAPartlyReceivedLine) {
  EXPECT_TRUE(Feed("P1234").empty());
  framer.Reset();
  EXPECT_EQ(Feed("P9\n"), (std::vector<std::string>{"07:05:04:500 P9\n"}));
}

}  // namespace

#include <gtest/gtest.h>

#include <numeric>

#include "slotpresenter.h"
#include "testdoubles.h"
#include "textformat.h"

namespace {

LocalTime At(int hour, int minute, int second) { return ScriptedClock::Day(hour, minute, second); }

LocalTime Plus(const LocalTime& time, int seconds) {
  int total = time.hour * 3600 + time.minute * 60 + time.second + seconds;
  total %= 86400;
  return At(total / 3600, total / 60 % 60, total % 60);
}

// The record of a received payload: stamp, payload, no CR LF.
std::string Record(std::string_view payload, const LocalTime& time = At(7, 5, 3)) {
  return TimeStamp(time) + std::string(payload);
}

// A short-form record of transmitter `number` with level `level`.
std::string ShortRecord(std::string_view number, char level) {
  return Record("P" + std::string(number) + level + "678");
}

class StatisticsTest : public ::testing::Test {
 protected:
  void SetUp() override { slots.number[0] = "1234"; }

  unsigned Receive(const std::string& record, const LocalTime& now) {
    return SlotPresenter(slots).Count(statistics, record, now);
  }

  // Receptions of 1234 after each of `gaps`, the first at 10:00:00.
  void ReceiveWithGaps(std::initializer_list<int> gaps, std::string_view levelChars) {
    LocalTime now = At(10, 0, 0);
    std::int64_t elapsedMs = CalendarMs(now);
    std::size_t i = 0;
    for (int gap : gaps) {
      now = Plus(now, gap);
      elapsedMs += gap * 1000LL;
      SlotPresenter(slots).Count(statistics,
                                 ShortRecord("1234", i < levelChars.size() ? levelChars[i] : '1'),
                                 now, elapsedMs);
      ++i;
    }
  }

  int Total(int slot) const {
    const auto k = static_cast<std::size_t>(slot);
    return std::accumulate(statistics.gapCount[k].begin(), statistics.gapCount[k].end(), 0) +
           std::accumulate(statistics.longGapCount[k].begin(), statistics.longGapCount[k].end(), 0);
  }

  Statistics statistics;
  FakeSlots slots;
};

// Decoding: which positions the number and level come from.
struct DecodeCase {
  const char* name;
  std::string payload;
  bool counted;
  char level;
};

class DecodeTest : public StatisticsTest, public ::testing::WithParamInterface<DecodeCase> {};

TEST_P(DecodeTest, ReadsNumberAndLevelFromTheForm) {
  const DecodeCase& c = GetParam();
  const std::string record = Record(c.payload);
  EXPECT_EQ(Receive(record, At(10, 0, 0)) != 0, c.counted);
  EXPECT_EQ(Total(0), c.counted ? 1 : 0);
  if (c.counted) {
    EXPECT_EQ(slots.level[0], c.level != 0 ? std::string(1, c.level) : std::string());
    EXPECT_EQ(slots.lastLine[0], record);
  } else {
    EXPECT_EQ(slots.column[0], "");
    EXPECT_EQ(slots.lastLine[0], "");
  }
}

INSTANTIATE_TEST_SUITE_P(Forms, DecodeTest,
                         ::testing::Values(
                             // 22-character record.
                             DecodeCase{"Short", "P12345678", true, '5'},
                             // 29-character record.
                             DecodeCase{"Long", "P01234AB12CD3456", true, '3'},
                             // 27 characters: still the short positions, number at 14..17.
                             DecodeCase{"Record27IsShort", "P1234567890ABC", true, '5'},
                             DecodeCase{"Record27LongDataIsMisread", "P01234AB12CD34", false, 0},
                             // 28 characters: the long positions, number at 15..18, level at 25.
                             DecodeCase{"Record28IsLong", "PX1234ABCDEF7GH", true, '7'},
                             DecodeCase{"NotP", "Q12345678", false, 0},
                             DecodeCase{"Empty", "", false, 0},
                             DecodeCase{"OtherTransmitter", "P43215678", false, 0},
                             // Too short to hold a level: counted, but NUL is no level.
                             DecodeCase{"NoLevel", "P1234", true, 0}),
                         [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

// Gap classes: the second reception's gap lands in exactly one counter.
struct GapCase {
  int gap;
  int row;        // gapCount row, or -1
  int longClass;  // longGapCount class, or -1
};

class GapTest : public StatisticsTest, public ::testing::WithParamInterface<GapCase> {};

TEST_P(GapTest, CountsTheGapInItsClass) {
  const GapCase& c = GetParam();
  ReceiveWithGaps({0, c.gap}, "11");
  // The first reception counts as a gap of 0.
  const int expectedRow0 = 1 + (c.row == 0 ? 1 : 0);
  EXPECT_EQ(statistics.gapCount[0][0], expectedRow0);
  if (c.row > 0) {
    EXPECT_EQ(statistics.gapCount[0][static_cast<std::size_t>(c.row)], 1);
  }
  if (c.longClass >= 0) {
    EXPECT_EQ(statistics.longGapCount[0][static_cast<std::size_t>(c.longClass)], 1);
  }
  EXPECT_EQ(Total(0), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, GapTest,
    ::testing::Values(GapCase{0, 0, -1}, GapCase{1, 1, -1}, GapCase{59, 59, -1},
                      GapCase{60, 60, -1}, GapCase{119, 60, -1}, GapCase{120, -1, 0},
                      GapCase{239, -1, 0}, GapCase{240, -1, 1}, GapCase{599, -1, 3},
                      GapCase{600, -1, 4}, GapCase{899, -1, 4}, GapCase{900, -1, 5},
                      GapCase{1199, -1, 5}, GapCase{1200, -1, 6}, GapCase{1799, -1, 6},
                      GapCase{1800, -1, 7}, GapCase{86399, -1, 7}),
    [](const auto& caseInfo) { return "Gap" + std::to_string(caseInfo.param.gap); });

TEST_F(StatisticsTest, GapAcrossMidnightWraps) {
  Receive(ShortRecord("1234", '1'), At(23, 59, 58));
  Receive(ShortRecord("1234", '1'), {2026, 12, 9, 0, 0, 3, 0});
  EXPECT_EQ(statistics.gapCount[0][0], 1);
  EXPECT_EQ(statistics.gapCount[0][5], 1);
  EXPECT_EQ(statistics.firstTime[0], (TimeOfDay{23, 59, 58}));
  EXPECT_EQ(statistics.lastTime[0], (TimeOfDay{0, 0, 3}));
}

// Gaps are elapsed time: a clock set back or forward (daylight saving, a
// correction) between two receptions 3 s apart counts a gap of 3 s.
TEST_F(StatisticsTest, GapIsElapsedTimeWhenTheClockJumps) {
  const std::int64_t start = 5'000'000;
  SlotPresenter(slots).Count(statistics, ShortRecord("1234", '1'), At(3, 0, 0), start);
  // Autumn: 03:00:00 becomes 02:00:00.
  SlotPresenter(slots).Count(statistics, ShortRecord("1234", '1'), At(2, 0, 3), start + 3000);
  // Spring, or a correction forward by an hour.
  SlotPresenter(slots).Count(statistics, ShortRecord("1234", '1'), At(3, 0, 6), start + 6000);
  EXPECT_EQ(statistics.gapCount[0][0], 1);
  EXPECT_EQ(statistics.gapCount[0][3], 2);
  EXPECT_EQ(
      std::accumulate(statistics.longGapCount[0].begin(), statistics.longGapCount[0].end(), 0), 0);
  // The times shown stay the local ones.
  EXPECT_EQ(statistics.lastTime[0], (TimeOfDay{3, 0, 6}));
  // Without a jump the gap is the whole seconds ticked, as the clock shows them.
  SlotPresenter(slots).Count(statistics, ShortRecord("1234", '1'), {2026, 12, 8, 3, 0, 6, 900},
                             start + 6900);
  SlotPresenter(slots).Count(statistics, ShortRecord("1234", '1'), {2026, 12, 8, 3, 0, 7, 100},
                             start + 7100);
  EXPECT_EQ(statistics.gapCount[0][1], 1);
}

TEST_F(StatisticsTest, SeveralSlotsWithOneNumberAreAllCounted) {
  slots.number[5] = "1234";
  slots.number[7] = "9999";
  EXPECT_EQ(Receive(ShortRecord("1234", '4'), At(10, 0, 0)), (1u << 0) | (1u << 5));
  EXPECT_EQ(Total(0), 1);
  EXPECT_EQ(Total(5), 1);
  EXPECT_EQ(Total(7), 0);
  EXPECT_EQ(statistics.txNumber[7], "9999");  // followed, though not received
}

// Level history and the maximum window.
TEST_F(StatisticsTest, LevelHistoryKeepsTheLastSixAndTheWindowMaximum) {
  ReceiveWithGaps({0, 0, 0, 0, 0}, "12345");
  EXPECT_EQ(slots.level[0], "12345");
  // The sixth level fills the history and starts the maximum with itself.
  ReceiveWithGaps({0}, "2");
  EXPECT_EQ(slots.level[0], "123452   2");
  Receive(ShortRecord("1234", '3'), At(10, 0, 0));
  EXPECT_EQ(slots.level[0], "234523   3");
  Receive(ShortRecord("1234", '1'), At(10, 0, 0));
  EXPECT_EQ(slots.level[0], "345231   3");
}

TEST_F(StatisticsTest, WindowClosesWhenElapsedExceedsItAndResetsTheMaximumTo6) {
  ReceiveWithGaps({0, 0, 0, 0, 0, 0}, "999999");
  ASSERT_EQ(slots.level[0], "999999   9");
  LocalTime now = At(10, 0, 0);
  const auto receive = [&](int gap, char level) {
    now = Plus(now, gap);
    Receive(ShortRecord("1234", level), now);
    return slots.level[0];
  };
  EXPECT_EQ(receive(4, '1'), "999991   9");  // elapsed 4
  EXPECT_EQ(receive(4, '1'), "999911   9");  // elapsed 8
  // Elapsed 12 > 10 closes the window after the box was set...
  EXPECT_EQ(receive(4, '1'), "999111   9");
  // ...so the reset shows with the next reception, raised by a higher level.
  EXPECT_EQ(receive(4, '1'), "991111   6");
  EXPECT_EQ(receive(1, '8'), "911118   8");
}

TEST_F(StatisticsTest, ElapsedEqualToTheWindowDoesNotCloseIt) {
  ReceiveWithGaps({0, 0, 0, 0, 0, 0}, "999999");
  LocalTime now = At(10, 0, 0);
  now = Plus(now, 5);
  Receive(ShortRecord("1234", '1'), now);
  now = Plus(now, 5);
  Receive(ShortRecord("1234", '1'), now);  // elapsed 10 == 10
  now = Plus(now, 0);
  Receive(ShortRecord("1234", '1'), now);
  EXPECT_EQ(slots.level[0], "999111   9");
  now = Plus(now, 1);
  Receive(ShortRecord("1234", '1'), now);  // elapsed 11 closes
  Receive(ShortRecord("1234", '1'), now);
  EXPECT_EQ(slots.level[0], "911111   6");
}

TEST_F(StatisticsTest, WindowClosingBeforeTheHistoryIsFullLeavesNoMaximum) {
  ReceiveWithGaps({0, 4, 4, 4, 4}, "12345");
  EXPECT_EQ(slots.level[0], "12345");
  EXPECT_EQ(statistics.levels[0][9], '\0');
}

TEST_F(StatisticsTest, NoWindowNeverResetsTheMaximum) {
  statistics.SelectWindow(0, 13);  // "нет"
  EXPECT_EQ(statistics.maxWindow[0], 2147483647);
  ReceiveWithGaps({0, 0, 0, 0, 0, 0, 86399, 86399, 86399, 86399}, "9999991111");
  EXPECT_EQ(slots.level[0], "991111   9");
}

TEST_F(StatisticsTest, SelectWindowIgnoresUnknownItemsAndResetRestoresTen) {
  statistics.SelectWindow(0, 4);
  EXPECT_EQ(statistics.maxWindow[0], 60);
  statistics.SelectWindow(0, 14);
  statistics.SelectWindow(0, -1);
  statistics.SelectWindow(8, 0);
  EXPECT_EQ(statistics.maxWindow[0], 60);
  statistics.ResetStatistics();
  EXPECT_EQ(statistics.maxWindow[0], 10);
}

// Slots and their number edits.
TEST_F(StatisticsTest, SlotEmptiedDuringReadingIsClearedAtTheNextPRecordButKeepsItsBoxes) {
  ReceiveWithGaps({0, 3}, "45");
  const std::string column = slots.column[0];
  const std::string level = slots.level[0];
  slots.number[0] = "";
  // A record that is not a 'P' record changes nothing.
  Receive(Record("X"), At(10, 0, 5));
  EXPECT_EQ(Total(0), 2);
  Receive(ShortRecord("9999", '1'), At(10, 0, 6));
  EXPECT_EQ(Total(0), 0);
  EXPECT_EQ(statistics.txNumber[0], "");
  EXPECT_TRUE(statistics.firstTime[0].IsZero());
  EXPECT_EQ(statistics.levels[0][0], '\0');
  EXPECT_EQ(slots.column[0], column);
  EXPECT_EQ(slots.level[0], level);
  EXPECT_NE(slots.lastLine[0], "");
}

TEST_F(StatisticsTest, ANumberEditIsReadAsItsFirstFourCharacters) {
  slots.number[0] = "12345";
  EXPECT_NE(Receive(ShortRecord("1234", '1'), At(10, 0, 0)), 0u);
  slots.number[0] = "123";
  EXPECT_EQ(Receive(ShortRecord("1234", '1'), At(10, 0, 0)), 0u);
}

TEST_F(StatisticsTest, ChangedNumberKeepsCountsAndRestartsTimesAtItsFirstReception) {
  ReceiveWithGaps({0, 3}, "11");
  slots.number[0] = "5555";
  Receive(ShortRecord("5555", '1'), At(11, 0, 0));
  EXPECT_EQ(statistics.txNumber[0], "5555");
  EXPECT_EQ(statistics.firstTime[0], (TimeOfDay{11, 0, 0}));
  EXPECT_EQ(statistics.gapCount[0][0], 2);
  EXPECT_EQ(statistics.gapCount[0][3], 1);
}

TEST_F(StatisticsTest, ChangedNumberRevealedByAnotherRecordMeasuresFromTheOldTime) {
  ReceiveWithGaps({0}, "1");  // 1234 at 10:00:00
  slots.number[0] = "5555";
  Receive(ShortRecord("7777", '1'), At(10, 0, 1));  // reveals the change
  Receive(ShortRecord("5555", '1'), At(10, 0, 30));
  EXPECT_EQ(statistics.firstTime[0], (TimeOfDay{10, 0, 0}));
  EXPECT_EQ(statistics.gapCount[0][30], 1);
}

TEST_F(StatisticsTest, ClearColumnRestartsTheCountsAndEmptiesTheBoxes) {
  ReceiveWithGaps({0, 7}, "12");
  statistics.longGapCount[0][2] = 4;
  const std::string level = slots.level[0];
  SlotPresenter(slots).ClearColumn(statistics, 0);
  EXPECT_EQ(slots.column[0], "");
  EXPECT_EQ(slots.lastLine[0], "");
  EXPECT_EQ(slots.level[0], level);
  EXPECT_EQ(statistics.gapCount[0][0] + statistics.gapCount[0][7], 0);
  EXPECT_EQ(statistics.longGapCount[0][2], 4);
  EXPECT_EQ(statistics.txNumber[0], "1234");
  EXPECT_EQ(statistics.levels[0][1], '2');

  Receive(ShortRecord("1234", '3'), At(12, 0, 0));
  EXPECT_EQ(statistics.firstTime[0], (TimeOfDay{12, 0, 0}));
  EXPECT_EQ(statistics.gapCount[0][0], 1);
  SlotPresenter(slots).ClearColumn(statistics, -1);  // no such slot: nothing happens
  SlotPresenter(slots).ClearColumn(statistics, 8);
}

// The column box text.
TEST_F(StatisticsTest, ColumnTextLayout) {
  Receive(ShortRecord("1234", '1'), At(10, 15, 0));
  Receive(ShortRecord("1234", '1'), At(10, 15, 7));
  const std::string& text = slots.column[0];
  ASSERT_EQ(text.size(), 1086u);
  // The latest time runs on into row 00.
  EXPECT_EQ(text.substr(0, 42), "1234 \r\n10:15:00\r\n10:15:07 00   1        \r\n");
  EXPECT_EQ(text.substr(26 + 16 * 7, 16), "07   1        \r\n");
  EXPECT_EQ(text.substr(26 + 16 * 59, 16), "59   0        \r\n");
  EXPECT_EQ(text.substr(26 + 16 * 60, 16), "60   0        \r\n");
  EXPECT_EQ(text.substr(1002, 4), "\r\n\r\n");
  EXPECT_EQ(text.substr(1006, 10), "02   0  \r\n");
  EXPECT_EQ(text.substr(1006 + 10 * 7, 10), "30   0  \r\n");
}

TEST_F(StatisticsTest, WideCountsKeepEveryRowOnItsOwnLine) {
  Receive(ShortRecord("1234", '1'), At(10, 15, 0));
  statistics.gapCount[0][3] = 123456789;
  statistics.longGapCount[0][0] = 12345;
  const std::string text = SlotPresenter::ColumnText(statistics, 0, {10, 15, 0});
  std::vector<std::string> lines;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) break;
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  ASSERT_EQ(lines.size(), 2u + 61u + 2u + 8u);
  for (int i = 0; i < kGapRows; ++i) {
    EXPECT_EQ(lines[static_cast<std::size_t>(2 + i)].substr(i == 0 ? 9 : 0, 2), PaddedNumber(i, 2));
  }
  EXPECT_EQ(lines[5], "03   123456789  ");
  EXPECT_EQ(lines[63], "");
  EXPECT_EQ(lines[65], "02   12345");
  EXPECT_EQ(lines[66].substr(0, 2), "04");
}

TEST_F(StatisticsTest, StampStopTimeWritesTheStopTimeIntoFilledColumnBoxes) {
  Receive(ShortRecord("1234", '1'), At(10, 15, 0));
  std::string expected = slots.column[0];
  expected.replace(17, 8, "11:02:09");
  SlotPresenter(slots).StampStopTime(At(11, 2, 9));
  EXPECT_EQ(slots.column[0], expected);
  EXPECT_EQ(slots.column[1], "");
}

TEST_F(StatisticsTest, ResetStatisticsEmptiesEverySlot) {
  ReceiveWithGaps({0, 1, 200}, "123");
  statistics.SelectWindow(0, 3);
  statistics.ResetStatistics();
  EXPECT_EQ(Total(0), 0);
  EXPECT_EQ(statistics.txNumber[0], "");
  EXPECT_TRUE(statistics.firstTime[0].IsZero());
  EXPECT_TRUE(statistics.lastTime[0].IsZero());
  EXPECT_EQ(statistics.levels[0][0], '\0');
  EXPECT_EQ(statistics.windowElapsed[0], 0);
  EXPECT_EQ(statistics.maxWindow[0], 10);
}

}  // namespace

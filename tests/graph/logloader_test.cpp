#include "logloader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "logfile.h"
#include "textformat.h"

namespace {

// A record line as the reading page logs it.
std::string Record(int hour, int minute, int second, const std::string& received) {
  return FormatLogLine(TimeStamp({2026, 3, 1, hour, minute, second, 42}) + received + "\r\n");
}

// A line as the reception monitor shows it, CR LF included.
std::string Stamped(int hour, int minute, int second, const std::string& received) {
  return TimeStamp({2026, 3, 1, hour, minute, second, 42}) + received + "\r\n";
}

GraphData Load(const std::string& log, LoadRequest request = {}) {
  GraphData data;
  LogBinner binner(request, data);
  binner.Feed(log);
  binner.Finish();
  return data;
}

// The same log fed in pieces of `piece` bytes.
GraphData LoadInPieces(const std::string& log, const LoadRequest& request, std::size_t piece) {
  GraphData data;
  LogBinner binner(request, data);
  for (std::size_t at = 0; at < log.size(); at += piece)
    binner.Feed(std::string_view(log).substr(at, piece));
  binner.Finish();
  return data;
}

LoadRequest For(const std::string& transmitter, const std::string& first = "00:00",
                const std::string& last = "23:59") {
  return {transmitter, first, last};
}

TEST(LogLoaderTest, FirstReceptionCountsInBinZeroWhateverItsSecond) {
  for (int second : {0, 37}) {
    const GraphData data = Load("Start\r\n" + Record(10, 5, second, "P12345678"), For("1234"));
    EXPECT_EQ(data.receptionCounts[0], 1) << second;
    EXPECT_EQ(data.receptionTotal, 1);
    EXPECT_EQ(data.firstText, "10:05");
  }
}

TEST(LogLoaderTest, ARepeatedTimeCountsOnceInBarsAndTotalAlike) {
  const std::string log =
      "Start\r\n" + Record(10, 5, 3, "P12345678") +
      Record(10, 5, 3, "P12345678") +  // the same reception again, right after a new minute
      Record(10, 5, 3, "P12345678") + Record(10, 5, 9, "P12345678") + Record(10, 6, 1, "P12345678");
  const GraphData data = Load(log, For("1234"));
  EXPECT_EQ(data.receptionCounts[0], 2);
  EXPECT_EQ(data.receptionCounts[1], 1);
  EXPECT_EQ(data.receptionTotal, 3);
}

TEST(LogLoaderTest, WholeTimesAreComparedForTheTotal) {
  // hour*60+minute+second would take these two for one time.
  const GraphData data =
      Load(Record(10, 5, 3, "P12345678") + Record(10, 6, 2, "P12345678"), For("1234"));
  EXPECT_EQ(data.receptionTotal, 2);
}

TEST(LogLoaderTest, LevelDigitsBelowFourCountAsFifteen) {
  struct Case {
    char last;
    double level;
  };
  for (const Case& c :
       {Case{'0', 15}, Case{'3', 15}, Case{'4', 4}, Case{'9', 9}, Case{'F', 15}, Case{'A', 10}}) {
    const GraphData data = Load(Record(10, 5, 3, std::string("P1234567") + c.last), For("1234"));
    EXPECT_EQ(data.peakLevels[0], c.level) << c.last;
  }
}

TEST(LogLoaderTest, PeakIsTheHighestLevelOfTheMinute) {
  const GraphData data = Load(
      Record(10, 5, 1, "P12345675") + Record(10, 5, 2, "P1234567C") + Record(10, 5, 3, "P12345677"),
      For("1234"));
  EXPECT_EQ(data.peakLevels[0], 12);
}

TEST(LogLoaderTest, StartFilterSkipsOnlyUntilTheFirstAcceptedLine) {
  const std::string log = Record(9, 0, 0, "P12345678") + Record(10, 0, 0, "P12345678") +
                          Record(9, 30, 0, "P12345678") +  // the clock set back half an hour
                          Record(10, 5, 0, "P12345678");
  const GraphData data = Load(log, For("1234", "09:45", "11:00"));
  EXPECT_EQ(data.firstText, "10:00");
  EXPECT_EQ(data.receptionCounts[0], 1);
  // 09:30 lies before the axis; what follows goes on from there.
  EXPECT_EQ(data.receptionCounts[5], 1);
  EXPECT_EQ(data.spanMinutes, 60);
  EXPECT_EQ(data.receptionTotal, 2);
}

TEST(LogLoaderTest, TwelveHoursBackIsTheNextDayLessIsAClockCorrection) {
  for (const std::string& received : {std::string("P12345678"), std::string("P0A642AB12CD3456")}) {
    const std::string transmitter = received.size() > 9 ? "0A642" : "1234";
    // Set back by a few seconds: nothing after the correction is lost.
    const std::string corrected = Record(10, 0, 30, received) + Record(10, 1, 2, received) +
                                  Record(10, 0, 58, received) + Record(10, 2, 0, received);
    const GraphData few = Load(corrected, For(transmitter));
    EXPECT_EQ(few.receptionCounts[0], 2) << received;
    EXPECT_EQ(few.receptionCounts[1], 1);
    EXPECT_EQ(few.receptionCounts[2], 1);
    EXPECT_EQ(few.receptionTotal, 4);
    EXPECT_EQ(few.dayCount, 1);
    // An hour back (summer time ends): the bins follow the clock back.
    const GraphData hour =
        Load(Record(3, 10, 0, received) + Record(2, 20, 0, received), For(transmitter, "02:00"));
    EXPECT_EQ(hour.receptionCounts[0], 1);
    EXPECT_EQ(hour.receptionTotal, 1);
    EXPECT_EQ(hour.dayCount, 1);
    // Exactly twelve hours back and more is past midnight.
    const GraphData midnight = Load(Record(22, 0, 0, received) + Record(10, 0, 0, received) +
                                        Record(23, 59, 0, received) + Record(0, 1, 0, received),
                                    For(transmitter, "21:00", "20:59"));
    EXPECT_EQ(midnight.receptionCounts[0], 1);
    EXPECT_EQ(midnight.receptionCounts[720], 1);
    EXPECT_EQ(midnight.dayCount, 3);
  }
}

TEST(LogLoaderTest, AnEmptyWindowDrawsNothingAndIsNeverADay) {
  std::string log;
  for (int minute = 0; minute < 30; ++minute) log += Record(10, minute, 5, "P12345678");
  for (const auto& [first, last] : std::vector<std::pair<std::string, std::string>>{
           {"09:00", "09:30"},     // everything after the window
           {"10:30", "11:00"},     // everything before it
           {"09:00", "10:00"},     // the first reception on the last minute
           {"23:00", "00:10"}}) {  // around midnight, with nothing there
    const GraphData data = Load(log, For("1234", first, last));
    EXPECT_TRUE(data.loaded) << first;
    EXPECT_EQ(data.spanMinutes, 0) << first << "-" << last;
    EXPECT_EQ(data.receptionTotal, 0);
  }
  // The same window with a reception in it.
  EXPECT_EQ(Load(log, For("1234", "09:00", "10:10")).spanMinutes, 10);
}

TEST(LogLoaderTest, LogsWhoseLineEndsBecameCrLfLoadAsTheOriginal) {
  std::string log = "Start\r\n";
  for (int i = 0; i < 40; ++i) {
    log += Record(10, i, 5, i % 2 ? "P12345678" : "P0A642AB12CD3456");
    log += Record(10, i, 7, "Q0");  // a short line with its own CR LF inside
    log += Stamped(10, i, 9, "P1234567A");
  }
  log += "End\r\n    1234    \r\n";
  // Every LF as CR LF, the ones after a CR too, as a mail client may do.
  std::string windows;
  for (char c : log) {
    if (c == '\n') windows += '\r';
    windows += c;
  }
  for (const char* transmitter : {"1234", "0A642"}) {
    const GraphData original = Load(log, For(transmitter));
    const GraphData converted = Load(windows, For(transmitter));
    EXPECT_GT(original.receptionTotal, 0);
    EXPECT_EQ(converted.receptionCounts, original.receptionCounts) << transmitter;
    EXPECT_EQ(converted.peakLevels, original.peakLevels);
    EXPECT_EQ(converted.receptionTotal, original.receptionTotal);
    EXPECT_EQ(converted.transmitters, original.transmitters);
    EXPECT_EQ(LoadInPieces(windows, For(transmitter), 7).receptionCounts, original.receptionCounts);
  }
}

TEST(LogLoaderTest, TimesAreReadAsUsersTypeThem) {
  std::string clock;
  for (const char* text : {"9:30", "09:30", "9.30", "09.30"}) {
    EXPECT_TRUE(ParseClockText(text, clock)) << text;
    EXPECT_EQ(clock, "09:30");
  }
  EXPECT_TRUE(ParseClockText("23:59", clock));
  EXPECT_EQ(clock, "23:59");
  for (const char* text :
       {"", "9", "930", "9:3", "24:00", "12:60", "ab:cd", "9:30x", " 9:30", "-1:30", "9:30:00"}) {
    EXPECT_FALSE(ParseClockText(text, clock)) << text;
  }
}

TEST(LogLoaderTest, NamesTheTransmittersOfTheLogWithTheirCounts) {
  const std::string log = Record(10, 0, 0, "P0A642AB12CD3456") + Record(10, 0, 1, "PA642F678") +
                          Record(10, 0, 2, "P0A642AB12CD3456") + Stamped(10, 0, 3, "P1111F678") +
                          Record(10, 0, 4, "Q0") +
                          Record(10, 0, 5,
                                 std::string("P\x01\x02"
                                             "ab5678"));
  const GraphData data = Load(log, For("9999"));
  EXPECT_EQ(data.spanMinutes, 0);
  EXPECT_EQ(data.transmitters, (std::vector<std::pair<std::string, long long>>{
                                   {"0A642", 2}, {"A642", 1}, {"1111", 1}}));
}

TEST(LogLoaderTest, DayNTakesItsFirstReceptionAfterTheNthMinusOneMidnight) {
  std::string log;
  for (int day = 0; day < 3; ++day) {
    for (int hour = 0; hour < 24; hour += 6) log += Record(hour, day, 0, "P12345678");
  }
  EXPECT_EQ(Load(log, For("1234")).dayCount, 3);
  for (int day = 1; day <= 3; ++day) {
    LoadRequest request = For("1234", "06:00", "18:30");
    request.day = day;
    const GraphData data = Load(log, request);
    EXPECT_EQ(data.firstText, "06:0" + std::to_string(day - 1)) << day;
    EXPECT_EQ(data.receptionTotal, 3) << day;
    EXPECT_EQ(data.receptionCounts[720], 1);
  }
  // A day the log does not hold draws nothing.
  LoadRequest beyond = For("1234");
  beyond.day = 4;
  EXPECT_EQ(Load(log, beyond).spanMinutes, 0);
}

TEST(LogLoaderTest, TotalCountsTheReceptionsOnTheTimeAxis) {
  std::string log;
  for (int minute = 0; minute < 30; ++minute) log += Record(10, minute, 5, "P12345678");
  EXPECT_EQ(Load(log, For("1234", "10:00", "10:30")).receptionTotal, 30);
  EXPECT_EQ(Load(log, For("1234", "10:00", "10:10")).receptionTotal, 10);
  // Last reception not later than the first: the axis runs to that time on the next day.
  const GraphData wrapped = Load(log, For("1234", "10:00", "10:00"));
  EXPECT_EQ(wrapped.spanMinutes, 1440);
  EXPECT_EQ(wrapped.receptionTotal, 30);
}

TEST(LogLoaderTest, SecondZeroAtTheStartCountsOnceInBinAndTotal) {
  const GraphData data = Load(
      Record(10, 0, 0, "P12345678") + Record(10, 0, 0, "P12345678") + Record(10, 0, 0, "P12345678"),
      For("1234"));
  EXPECT_EQ(data.receptionCounts[0], 1);
  EXPECT_EQ(data.receptionTotal, 1);
}

TEST(LogLoaderTest, SpanIsZeroWhenTheTextsGiveNoPositiveSpan) {
  // No accepted line: the first text stays as typed, 99:99 is past any day.
  const GraphData data = Load(Record(10, 0, 0, "P12345678"), For("1234", "99:99", "00:00"));
  EXPECT_EQ(data.receptionTotal, 0);
  EXPECT_EQ(data.spanMinutes, 0);
}

TEST(LogLoaderTest, FourCharacterNumbersMatchStampedLinesOfBothForms) {
  const std::string log = Stamped(7, 0, 1, "P12345678") +         // short: p1..p4
                          Stamped(7, 0, 2, "P01234AB12CD3456") +  // long: p2..p5
                          Stamped(7, 0, 3, "") +                  // a bare line: nothing there
                          Stamped(7, 0, 4, "P12");
  const GraphData data = Load(log, For("1234"));
  EXPECT_EQ(data.receptionTotal, 2);
  EXPECT_EQ(data.peakLevels[0], 8);  // the last bytes: '8' and '6'
}

TEST(LogLoaderTest, AFileWithoutStartLineIsReadFromItsFirstLine) {
  const GraphData data = Load(Record(10, 0, 7, "P12345678"), For("1234"));
  EXPECT_EQ(data.receptionTotal, 1);
}

TEST(LogLoaderTest, OverlongLinesAreSkippedHoweverTheyAreCut) {
  // A stamped line of 5000 bytes that would match: skipped as too long, also
  // when it comes whole in one piece.
  const std::string log =
      Stamped(10, 0, 1, "P1234" + std::string(5000, 'x') + "5") + Record(10, 0, 2, "P12345678");
  for (std::size_t piece : {1u, 100u, 4096u, 100000u}) {
    const GraphData cut = LoadInPieces(log, For("1234"), piece);
    EXPECT_EQ(cut.receptionTotal, 1) << piece;
  }
}

TEST(LogLoaderTest, ALineEndInTheTimeFieldsDoesNotDependOnTheCut) {
  // "0\n : 05 : ..." looks like a record's time only when 19 bytes are seen.
  const std::string log = "0\n : 05 : 03 : 042 P 1234  5 678\n" + Record(10, 0, 2, "P12345678");
  const GraphData whole = Load(log, For("1234"));
  for (std::size_t piece : {1u, 2u, 3u, 18u, 19u}) {
    const GraphData cut = LoadInPieces(log, For("1234"), piece);
    EXPECT_EQ(cut.receptionCounts, whole.receptionCounts) << piece;
    EXPECT_EQ(cut.receptionTotal, whole.receptionTotal) << piece;
  }
}

TEST(LogLoaderTest, BlockReadsGiveTheLineByLineResult) {
  // A log of several megabytes, so that lines straddle the 1 MiB blocks too.
  std::string log = "Start\r\n";
  unsigned seed = 11;
  for (int t = 6 * 3600; log.size() < 3'200'000; t += 1) {
    seed = seed * 1103515245u + 12345u;
    const int h = t / 3600 % 24, m = t / 60 % 60, s = t % 60;
    const char level = "0123456789ABCDEF"[(seed >> 16) % 16];
    log += Record(h, m, s, std::string("P0A642AB12CD345") + level);
    if (seed % 5 == 0) log += Record(h, m, s, std::string("P1234567") + level);
    if (seed % 7 == 0) log += Stamped(h, m, s, std::string("P0A642AB12CD345") + level);
    if (seed % 97 == 0) log += std::string(seed % 6000, static_cast<char>(seed >> 8));
  }
  log += "End\r\n    0A642    \r\n";
  const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("delvarine-blocks-" + std::to_string(getpid()) + ".txt");
  std::ofstream(path, std::ios::binary) << log;
  for (const char* transmitter : {"0A642", "1234", "A642"}) {
    const GraphData lines = Load(log, For(transmitter, "06:00", "05:59"));
    EXPECT_GT(lines.receptionTotal, 1000) << transmitter;
    for (std::size_t block : {std::size_t{1} << 20, std::size_t{4096}, std::size_t{333}}) {
      GraphData blocks;
      std::string error;
      ASSERT_TRUE(LoadLog(path, For(transmitter, "06:00", "05:59"), blocks, error, block)) << error;
      EXPECT_EQ(blocks.receptionCounts, lines.receptionCounts) << transmitter << " " << block;
      EXPECT_EQ(blocks.peakLevels, lines.peakLevels) << transmitter << " " << block;
      EXPECT_EQ(blocks.receptionTotal, lines.receptionTotal) << transmitter << " " << block;
      EXPECT_EQ(blocks.spanMinutes, lines.spanMinutes) << transmitter << " " << block;
      EXPECT_EQ(blocks.firstText, lines.firstText) << transmitter << " " << block;
    }
  }
  std::filesystem::remove(path);
}

TEST(LogLoaderTest, IdentifiersMatchByLayoutAndLength) {
  const std::string log = Record(10, 0, 0, "P0A642AB12CD3456") +  // long: p1..p5 = 0A642
                          Record(10, 0, 1, "PA642F678") +         // short: number A642
                          Stamped(10, 0, 2, "0A642X") +           // stamped: bytes 13..17
                          Record(10, 0, 3, "P1111F678");
  EXPECT_EQ(Load(log, For("0A642")).receptionTotal, 2);
  EXPECT_EQ(Load(log, For("A642")).receptionTotal, 3);
  // Shorter than 5 and not a number: matches nothing.
  EXPECT_EQ(Load(log, For("0A6")).receptionTotal, 0);
  EXPECT_EQ(Load(log, For("0A6")).spanMinutes, 0);
}

TEST(LogLoaderTest, ReadsTheMonitorsStampedLines) {
  const std::string log =
      "Start\r\n" + Stamped(7, 5, 3, "P12345678") + Stamped(7, 6, 3, "P1234567A");
  const GraphData data = Load(log, For("1234", "07:00", "08:00"));
  EXPECT_EQ(data.receptionCounts[0], 1);
  EXPECT_EQ(data.receptionCounts[1], 1);
  EXPECT_EQ(data.peakLevels[1], 10);
  EXPECT_EQ(data.firstText, "07:05");
  EXPECT_EQ(data.spanMinutes, 55);
}

TEST(LogLoaderTest, SkipsStartEndSummaryAndShortLinesWithTheirOwnLineEnds) {
  // "P1234" logs in the short layout with its own CR LF inside the padding.
  const std::string log = "Start\r\n" + Record(10, 0, 0, "P1234") + Record(10, 0, 1, "P12345678") +
                          "End\r\n    1234    \r\n00  1       \r\n";
  const GraphData data = Load(log, For("1234"));
  EXPECT_EQ(data.receptionTotal, 2);
  EXPECT_EQ(data.receptionCounts[0], 2);
}

TEST(LogLoaderTest, MidnightWrapAndSpanToTheNextDay) {
  const std::string log = Record(23, 58, 0, "P12345678") + Record(0, 2, 0, "P12345678");
  const GraphData data = Load(log, For("1234", "23:00", "00:10"));
  EXPECT_EQ(data.receptionCounts[0], 1);
  EXPECT_EQ(data.receptionCounts[4], 1);
  EXPECT_EQ(data.spanMinutes, 12);  // 23:58 to 00:10
}

TEST(LogLoaderTest, BinsSaturateAndLinesPastTheTableAreSkipped) {
  std::string log;
  for (int i = 0; i < 300; ++i)
    log += Record(10, 0, i % 60, "P12345678") + Record(10, 0, (i + 1) % 60, "P12345678");
  const GraphData data = Load(log, For("1234"));
  EXPECT_EQ(data.receptionCounts[0], 255);
  // Eleven days on: beyond the table, not stored anywhere.
  std::string days;
  for (int day = 0; day < 11; ++day) {
    days += Record(10, 0, 0, "P12345678") + Record(22, 0, 0, "P12345678");
  }
  const GraphData far = Load(days, For("1234"));
  long long stored = 0;
  for (auto count : far.receptionCounts) stored += count;
  EXPECT_LT(stored, 22);
}

TEST(LogLoaderTest, SameResultHoweverTheFileIsCut) {
  std::string log = "Start\r\n";
  for (int i = 0; i < 200; ++i) {
    log += Record(10, i / 20, i % 60, i % 3 ? "P12345678" : "P1234") +
           Stamped(10, i / 20, i % 60, "P1234567B") + std::string(i % 7 == 0 ? 5000 : 0, 'x') +
           "\n";
  }
  const GraphData whole = Load(log, For("1234"));
  for (std::size_t piece : {1u, 7u, 33u, 40u, 4097u}) {
    const GraphData cut = LoadInPieces(log, For("1234"), piece);
    EXPECT_EQ(cut.receptionCounts, whole.receptionCounts) << piece;
    EXPECT_EQ(cut.peakLevels, whole.peakLevels) << piece;
    EXPECT_EQ(cut.receptionTotal, whole.receptionTotal) << piece;
  }
  EXPECT_GT(whole.receptionTotal, 100);
}

TEST(LogLoaderTest, LoadLogReadsAFileAndReportsAMissingOne) {
  const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("delvarine-log-" + std::to_string(getpid()) + ".txt");
  std::ofstream(path, std::ios::binary) << "Start\r\n" << Record(10, 0, 0, "P12345678");
  GraphData data;
  std::string error;
  ASSERT_TRUE(LoadLog(path, For("1234"), data, error)) << error;
  EXPECT_EQ(data.receptionTotal, 1);
  std::filesystem::remove(path);
  EXPECT_FALSE(LoadLog(path, For("1234"), data, error));
  EXPECT_NE(error.find("cannot open " + path.string()), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(path));  // nothing is created
  EXPECT_EQ(data.spanMinutes, 0);
}

TEST(LogLoaderTest, ProgressCountsEveryBlockUpToTheFileSizeAndCanStopTheLoad) {
  const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("delvarine-progress-" + std::to_string(getpid()) + ".txt");
  std::string log = "Start\r\n";
  for (int i = 0; i < 20; ++i) log += Record(10, 0, i, "P12345678");
  std::ofstream(path, std::ios::binary) << log;
  std::vector<std::uint64_t> reported;
  GraphData data;
  std::string error;
  ASSERT_TRUE(
      LoadLog(path, For("1234"), data, error, 100, [&](std::uint64_t done, std::uint64_t total) {
        EXPECT_EQ(total, log.size());
        reported.push_back(done);
        return true;
      }));
  ASSERT_GE(reported.size(), log.size() / 200);
  EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
  EXPECT_EQ(reported.back(), log.size());
  EXPECT_EQ(data.receptionTotal, 20);

  // Stopped: reported, and the bins are left empty.
  int calls = 0;
  EXPECT_FALSE(LoadLog(path, For("1234"), data, error, 100,
                       [&](std::uint64_t, std::uint64_t) { return ++calls < 3; }));
  std::filesystem::remove(path);
  EXPECT_EQ(calls, 3);  // nothing is read after the stop
  EXPECT_NE(error.find("cancelled"), std::string::npos);
  EXPECT_EQ(data.receptionTotal, 0);
  EXPECT_EQ(data.spanMinutes, 0);
}

TEST(LogLoaderTest, BinaryGarbageLoadsNothingAndStaysInBounds) {
  std::string garbage;
  for (int i = 0; i < 100000; ++i) garbage += static_cast<char>((i * 7919) % 256);
  const GraphData data = Load(garbage, For("1234"));
  EXPECT_EQ(data.receptionTotal, 0);
}

}  // namespace

namespace {

// Thousands of one-off garbled names before a real transmitter: it is listed
// with all its lines, and first among the hints.
TEST(LogLoaderTest, NoiseNeverHidesATransmitter) {
  std::string log = "Start\r\n";
  for (int i = 0; i < 5000; ++i) {
    char name[5];
    std::snprintf(name, sizeof name, "%04X", i + 0x9000);
    log += Record(10, 0, 0, std::string("P") + name + "5678");
  }
  for (int i = 0; i < 100; ++i) log += Record(10, 1, i % 60, "P12345678");
  const GraphData data = Load(log, For("1234"));
  const auto found = std::find_if(data.transmitters.begin(), data.transmitters.end(),
                                  [](const auto& name) { return name.first == "1234"; });
  ASSERT_NE(found, data.transmitters.end());
  EXPECT_EQ(found->second, 100);
  EXPECT_LE(data.transmitters.size(), LogBinner::kMaxTransmitters);
  EXPECT_GT(data.unlistedLines, 0);
  EXPECT_EQ(FrequentTransmitters(data, 3).front(), "1234 (100)");
}

}  // namespace

#include "logfile.h"

#include <gtest/gtest.h>

#include "faultydisk.h"
#include "slotpresenter.h"
#include "tempdir.h"
#include "testdoubles.h"
#include "wholefile.h"

namespace {

using namespace std::string_literals;

TEST(MakeLogName, IsDateAndTimeOfTheStart) {
  EXPECT_EQ(MakeLogName({2026, 3, 3, 9, 7, 5, 999}), "2026.03.03_09-07-05.txt");
  EXPECT_EQ(MakeLogName({2026, 12, 31, 23, 59, 59, 0}), "2026.12.31_23-59-59.txt");
  EXPECT_EQ(MakeLogName({2027, 1, 1, 0, 0, 0, 0}), "2027.01.01_00-00-00.txt");
}

// Record lines, byte for byte, around the 28/29 boundary of the stamped line.
struct LogLineCase {
  const char* name;
  std::string stamped;
  std::string expected;
};

class FormatLogLineTest : public ::testing::TestWithParam<LogLineCase> {};

TEST_P(FormatLogLineTest, LaysTheLineOut) {
  const LogLineCase& c = GetParam();
  const std::string line = FormatLogLine(c.stamped);
  EXPECT_EQ(line, c.expected);
  EXPECT_EQ(line.size(), c.expected.size() == 33 ? 33u : 40u);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, FormatLogLineTest,
    ::testing::Values(
        LogLineCase{"Short", "07:05:03:042 P12345678\r\n", "07 : 05 : 03 : 042 P 1234  5 678\n"},
        LogLineCase{"Long", "07:05:03:042 P01234AB12CD3456\r\n",
                    "07 : 05 : 03 : 042 P0 1234 AB12CD 3 456\n"},
        // Without CR the LF still closes the record line.
        LogLineCase{"NoCr", "07:05:03:042 P12345678\n", "07 : 05 : 03 : 042 P 1234  5 678\n"},
        // 28 bytes with CR LF: still short; bytes beyond the layout are not written.
        LogLineCase{"Stamped28IsShort", "07:05:03:042 P123456789ABC\r\n",
                    "07 : 05 : 03 : 042 P 1234  5 678\n"},
        // 29 bytes: long, its own CR LF inside the layout.
        LogLineCase{"Stamped29IsLong", "07:05:03:042 P1234567890ABC\r\n",
                    "07 : 05 : 03 : 042 P1 2345 67890A B C\r\n\n"},
        // Shorter than the layout: NUL where the line holds nothing.
        LogLineCase{"ShortLine", "07:05:03:042 P12\r\n",
                    "07 : 05 : 03 : 042 P 12\r\n  \0 \0\0\0\n"s},
        LogLineCase{"BareLf", "07:05:03:042 \n", "07 : 05 : 03 : 042 \n \0\0\0\0  \0 \0\0\0\n"s}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

TEST(FormatSummary, WithoutNumberedSlotsIsCrLfAndFourSpaces) {
  const Statistics statistics;
  EXPECT_EQ(FormatSummary(statistics), "\r\n    ");
}

TEST(FormatSummary, HasAHeaderAndSixtyOneRowsForTheNumberedSlots) {
  Statistics statistics;
  FakeSlots slots;
  slots.number[0] = "1234";
  slots.number[2] = "12";  // not a number: left out
  slots.number[3] = "1111";
  const LocalTime now = ScriptedClock::Day(10, 0, 0);
  for (int i = 0; i < 3; ++i) SlotPresenter(slots).Count(statistics, "07:05:03:042 P12345678", now);
  statistics.gapCount[3][60] = 123456789;  // wider than its place: written whole

  const std::string summary = FormatSummary(statistics);
  std::string expected = "\r\n    1234    1111    \r\n";
  expected += "00  3       0       \r\n";
  for (int i = 1; i < 60; ++i) {
    expected += (i < 10 ? "0" : "") + std::to_string(i) + "  0       0       \r\n";
  }
  expected += "60  0       123456789\r\n";
  EXPECT_EQ(summary, expected);
}

TEST(FormatSummary, ListsAFollowedSlotWhoseTransmitterNeverCame) {
  Statistics statistics;
  FakeSlots slots;
  slots.number[1] = "7777";
  SlotPresenter(slots).Count(statistics, "07:05:03:042 P12345678", ScriptedClock::Day(10, 0, 0));
  const std::string summary = FormatSummary(statistics);
  EXPECT_EQ(summary.substr(0, 16), "\r\n    7777    \r\n");
  EXPECT_EQ(summary.substr(16, 14), "00  0       \r\n");
}

class LogFileTest : public ::testing::Test {
 protected:
  LocalTime start{2026, 3, 3, 9, 7, 5, 0};
  TempDir dir;
  std::string error;
};

TEST_F(LogFileTest, WritesReachTheFileAtOnce) {
  std::optional<LogFile> log = LogFile::Create(dir.path, start, error);
  ASSERT_TRUE(log) << error;
  EXPECT_EQ(log->Path(), dir / "2026.03.03_09-07-05.txt");
  EXPECT_TRUE(log->Append("Start\r\n"));
  EXPECT_TRUE(log->Append(std::string("a\0b\n", 4)));
  // Read while still open: nothing waits in a buffer.
  EXPECT_EQ(ReadFile(log->Path()), std::string("Start\r\na\0b\n", 11));
  log->Close();
  EXPECT_FALSE(log->IsOpen());
  EXPECT_FALSE(log->Append("x"));
}

TEST_F(LogFileTest, NeverReplacesAnExistingFile) {
  WriteFile(dir / "2026.03.03_09-07-05.txt", "earlier run");
  WriteFile(dir / "2026.03.03_09-07-05_2.txt", "another");
  std::optional<LogFile> log = LogFile::Create(dir.path, start, error);
  ASSERT_TRUE(log) << error;
  EXPECT_EQ(log->Path(), dir / "2026.03.03_09-07-05_3.txt");
  std::optional<LogFile> next = LogFile::Create(dir.path, start, error);
  ASSERT_TRUE(next) << error;
  EXPECT_EQ(next->Path(), dir / "2026.03.03_09-07-05_4.txt");
  EXPECT_EQ(ReadFile(dir / "2026.03.03_09-07-05.txt"), "earlier run");
  EXPECT_EQ(ReadFile(dir / "2026.03.03_09-07-05_2.txt"), "another");
}

TEST_F(LogFileTest, CreateFailureNamesThePathAndTheReason) {
  EXPECT_FALSE(LogFile::Create(dir / "missing", start, error));
  EXPECT_NE(error.find((dir / "missing" / "2026.03.03_09-07-05.txt").string()), std::string::npos)
      << error;
  EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

TEST_F(LogFileTest, DeleteRemovesTheFile) {
  std::optional<LogFile> log = LogFile::Create(dir.path, start, error);
  ASSERT_TRUE(log);
  log->Append("Start\r\n");
  log->Delete();
  EXPECT_FALSE(std::filesystem::exists(log->Path()));
}

TEST_F(LogFileTest, MovedFileKeepsWriting) {
  std::optional<LogFile> created = LogFile::Create(dir.path, start, error);
  ASSERT_TRUE(created);
  LogFile log = std::move(*created);
  EXPECT_FALSE(created->IsOpen());
  EXPECT_TRUE(log.Append("End"));
  log.Close();
  EXPECT_EQ(ReadFile(dir / "2026.03.03_09-07-05.txt"), "End");
}

TEST_F(LogFileTest, AFileMadeAnewTakesTheNextFreeNumberOfItsFirstName) {
  std::optional<LogFile> log = LogFile::Create(dir.path, start, error);
  ASSERT_TRUE(log);
  log->Append("Start\r\n");
  std::int64_t missing = -1;
  for (const char* expected : {"2026.03.03_09-07-05_2.txt", "2026.03.03_09-07-05_3.txt"}) {
    // The file is deleted and its name taken by another one.
    const std::filesystem::path taken = log->Path();
    std::filesystem::remove(taken);
    WriteFile(taken, "someone else's");
    ASSERT_TRUE(log->IsGone());
    ASSERT_TRUE(log->Recreate(error, missing)) << error;
    EXPECT_EQ(log->Path(), dir / expected);
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(ReadFile(log->Path()), "Start\r\n");
  }
  // Discarding a file deleted from under it leaves the name's new owner alone.
  std::filesystem::remove(log->Path());
  WriteFile(log->Path(), "someone else's");
  log->Delete();
  EXPECT_EQ(ReadFile(dir / "2026.03.03_09-07-05_3.txt"), "someone else's");
}

// A failing flush or close (a network share, a failing stick) fails the whole
// write, and the old file stays as it was.
TEST_F(LogFileTest, AWholeFileWriteChecksTheFlushAndTheClose) {
  const std::filesystem::path file = dir / "g.csv";
  WriteFile(file, "yesterday");
  for (bool* fault : {&FaultyDisk::failSync, &FaultyDisk::failClose}) {
    FaultyDisk::Reset();
    *fault = true;
    EXPECT_NE(WriteFileWhole(file, "today", kFaultyCalls).find("Input/output error"),
              std::string::npos);
    EXPECT_EQ(ReadFile(file), "yesterday");
    EXPECT_FALSE(std::filesystem::exists(dir / "g.csv.new"));
  }
  FaultyDisk::Reset();
  EXPECT_EQ(WriteFileWhole(file, "today", kFaultyCalls), "");
  EXPECT_EQ(ReadFile(file), "today");
}

}  // namespace

#include "transmitterlist.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tempdir.h"

namespace {

using Numbers = std::vector<std::string>;

class TransmitterListTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::filesystem::path file = dir / "tx.txt";
};

TEST_F(TransmitterListTest, ReadsCrLfAndLfRecordsInSlotOrder) {
  const struct {
    const char* content;
    Numbers numbers;
  } cases[] = {
      {"A642\r\nC115\r\n", {"A642", "C115"}},
      {"A642\nC115\n", {"A642", "C115"}},
      {"A642\r\nC115", {"A642", "C115"}},  // no line end after the last record
      {"A642\nC115\r\n1234\n", {"A642", "C115", "1234"}},
      {"\xEF\xBB\xBF"
       "A642\r\nC115\r\n",
       {"A642", "C115"}},                              // saved by Notepad as UTF-8
      {"\xEF\xBB\xBF\xEF\r\n", {"\xEF\xBB\xBF\xEF"}},  // a number that begins so
  };
  for (const auto& c : cases) {
    WriteFile(file, c.content);
    const TransmitterList list = LoadTransmitterList(file);
    EXPECT_EQ(list.numbers, c.numbers) << c.content;
    EXPECT_EQ(list.problem, "") << c.content;
  }
}

TEST_F(TransmitterListTest, ReadsAtMostEightRecords) {
  std::string content;
  for (int j = 0; j < 10; ++j) content += "10" + std::to_string(10 + j) + "\r\n";
  WriteFile(file, content);
  EXPECT_EQ(LoadTransmitterList(file).numbers,
            (Numbers{"1010", "1011", "1012", "1013", "1014", "1015", "1016", "1017"}));
}

TEST_F(TransmitterListTest, MissingOrEmptyFileGivesNoNumbersAndNoProblem) {
  TransmitterList list = LoadTransmitterList(file);
  EXPECT_TRUE(list.numbers.empty());
  EXPECT_EQ(list.problem, "");
  WriteFile(file, "");
  list = LoadTransmitterList(file);
  EXPECT_TRUE(list.numbers.empty());
  EXPECT_EQ(list.problem, "");
}

TEST_F(TransmitterListTest, BlankLinesAndTrailingWhiteSpaceAreNoProblem) {
  WriteFile(file, "A642\r\n\r\n  \t\r\nC115 \t\r\n1234\n\n\n");
  const TransmitterList list = LoadTransmitterList(file);
  EXPECT_EQ(list.numbers, (Numbers{"A642", "C115", "1234"}));
  EXPECT_EQ(list.problem, "");
}

TEST_F(TransmitterListTest, BadRecordEndsTheReadingWithAClearProblem) {
  const struct {
    std::string content;
    Numbers numbers;
  } cases[] = {
      {std::string("\x00\x01\xff\xfe\x7f\x00\x00\x00\x10", 9), {}},
      {std::string("A642\r\nC1\x00"
                   "5\r\n1234\r\n",
                   18),
       {"A642"}},
      {"A642\r\n333\r\nC115\r\n", {"A642"}},
      {"A642\r\nC1155\r\n", {"A642"}},
  };
  for (const auto& c : cases) {
    WriteFile(file, c.content);
    const TransmitterList list = LoadTransmitterList(file);
    EXPECT_EQ(list.numbers, c.numbers);
    EXPECT_NE(list.problem.find(file.string()), std::string::npos) << list.problem;
  }
}

TEST_F(TransmitterListTest, SavesExactlyFourCharacterEditsPackedWithCrLf) {
  EXPECT_EQ(SaveTransmitterList(file, {"A642", "", "333", "C115", "A6421", "", "", ""}), "");
  EXPECT_EQ(ReadFile(file), "A642\r\nC115\r\nA642\r\n");
  // The next start finds C115 in slot 2.
  EXPECT_EQ(LoadTransmitterList(file).numbers, (Numbers{"A642", "C115", "A642"}));
}

TEST_F(TransmitterListTest, SavingNothingLeavesAnEmptyList) {
  WriteFile(file, "1234\r\n");
  EXPECT_EQ(SaveTransmitterList(file, {"", "", "", "", "", "", "", ""}), "");
  EXPECT_EQ(ReadFile(file), "");
  EXPECT_TRUE(LoadTransmitterList(file).numbers.empty());
}

TEST_F(TransmitterListTest, RoundTripKeepsEightNumbers) {
  const Numbers numbers = {"0001", "ABCD", "z z ", "9999", "1234", "4321", "P123", "0000"};
  ASSERT_EQ(SaveTransmitterList(file, numbers), "");
  EXPECT_EQ(LoadTransmitterList(file).numbers, numbers);
}

TEST_F(TransmitterListTest, AFolderNamedTxTxtIsReportedAndNotReplaced) {
  std::filesystem::create_directory(file);
  const TransmitterList list = LoadTransmitterList(file);
  EXPECT_TRUE(list.numbers.empty());
  EXPECT_EQ(list.problem, "cannot read " + file.string() + ": it is not a file but a folder");
  EXPECT_NE(SaveTransmitterList(file, {"1234"}), "");
  EXPECT_TRUE(std::filesystem::is_directory(file));
}

TEST_F(TransmitterListTest, AFifoOrADeviceIsRefusedWithoutWaitingOnIt) {
  // Opened for reading, a FIFO without a writer would wait for ever.
  ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
  TransmitterList list = LoadTransmitterList(file);
  EXPECT_TRUE(list.numbers.empty());
  EXPECT_EQ(list.problem, "cannot read " + file.string() + ": it is not a file but a FIFO");
  list = LoadTransmitterList("/dev/zero");
  EXPECT_EQ(list.problem, "cannot read /dev/zero: it is not a file but a device");
}

TEST_F(TransmitterListTest, SaveFailureIsReported) {
  const std::string problem = SaveTransmitterList(dir / "missing" / "tx.txt", {"1234"});
  EXPECT_NE(problem.find("missing"), std::string::npos) << problem;
  EXPECT_NE(problem.find("No such file or directory"), std::string::npos) << problem;
}

// Before the first Start the log folder may not exist yet: typed numbers make
// it; nothing typed makes nothing.
TEST_F(TransmitterListTest, TheStoreMakesItsFolderOnlyForNumbersToKeep) {
  const std::filesystem::path folder = dir / "Documents" / "Delvarine";
  TransmitterStore store;
  store.Load(folder);
  EXPECT_FALSE(store.Save({"", "", "", "", "", "", "", ""}));
  EXPECT_FALSE(std::filesystem::exists(folder));
  EXPECT_FALSE(store.Save({"1234", "A642", "", "", "", "", "", ""}));
  EXPECT_EQ(ReadFile(folder / "tx.txt"), "1234\r\nA642\r\n");
}

}  // namespace

#include "recordlayout.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using recordlayout::DecodeRecordLine;
using recordlayout::DecodeStamped;
using recordlayout::RecordLineOf;

std::string Text(const auto& characters) {
  return std::string(characters.begin(), characters.end());
}

TEST(RecordLayoutTest, StampedAndRecordLinesDecodeToTheSameFields) {
  for (const std::string& received : {std::string("P12345678"), std::string("P0A642AB12CD3456")}) {
    const std::string stamped = "10:15:07:042 " + received;
    const DecodedLine fromMonitor = DecodeStamped(stamped);
    const DecodedLine fromLog = DecodeRecordLine(RecordLineOf(stamped + "\r\n"));
    for (const DecodedLine& decoded : {fromMonitor, fromLog}) {
      EXPECT_EQ(decoded.hour, 10) << received;
      EXPECT_EQ(decoded.minute, 15);
      EXPECT_EQ(decoded.second, 7);
      EXPECT_TRUE(decoded.reception);
      EXPECT_EQ(decoded.last, received.back());
    }
    EXPECT_EQ(Text(fromLog.number), Text(fromMonitor.number));
    EXPECT_EQ(fromLog.level, fromMonitor.level);
    EXPECT_EQ(fromLog.form, fromMonitor.form);
  }
  const DecodedLine longForm = DecodeStamped("10:15:07:042 P0A642AB12CD3456");
  EXPECT_EQ(Text(longForm.number), "A642");
  EXPECT_EQ(Text(longForm.identifier), "0A642");
  EXPECT_EQ(longForm.level, '3');  // p12
  EXPECT_EQ(Text(DecodeStamped("10:15:07:042 P12345678").number), "1234");
  EXPECT_EQ(DecodeStamped("10:15:07:042 P12345678").level, '5');
}

TEST(RecordLayoutTest, TheStatisticsAndTheLogTellTheFormsByTheirOwnLengths) {
  // 27 bytes without CR LF: short for the statistics, long for the log file.
  const std::string record = "10:15:07:042 P1234567890ABC";
  ASSERT_EQ(record.size(), 28u - 1u);
  EXPECT_EQ(DecodeStamped(record).form, DecodedLine::Form::kShort);
  EXPECT_EQ(RecordLineOf(record + "\r\n").size(), 40u);
  EXPECT_EQ(DecodeStamped(record + "D").form, DecodedLine::Form::kLong);
  EXPECT_EQ(RecordLineOf("10:15:07:042 P12345678\r\n").size(), 33u);
}

TEST(RecordLayoutTest, ShortReceivedLinesKeepTheirOwnLineEndAndLevel) {
  // "Q0" and its CR LF inside the short record: the level is the last byte before them.
  const std::string line = RecordLineOf("10:15:07:042 Q0\r\n");
  EXPECT_EQ(line.size(), 33u);
  const DecodedLine decoded = DecodeRecordLine(line);
  EXPECT_FALSE(decoded.reception);
  EXPECT_EQ(decoded.last, '0');
  EXPECT_EQ(recordlayout::TwoDigits(' ', '7'), 7);
  EXPECT_EQ(recordlayout::TwoDigits('-', '3'), -3);
  EXPECT_EQ(recordlayout::TwoDigits('4', 'x'), 4);
}

}  // namespace

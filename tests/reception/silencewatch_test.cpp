#include "silencewatch.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Events = std::vector<SilenceWatch::Event>;

TEST(SilenceWatchTest, OnceWhenSilentAndOnceWhenHeardAgain) {
  SilenceWatch watch;
  watch.SetLimit(0, 60'000);
  watch.SetLimit(2, 300'000);
  watch.Start(1'000'000);
  Events events;
  watch.Heard(0b101, 1'010'000, events);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(watch.NextDueMs(1'010'000), 60'000);
  watch.Check(1'069'999, events);
  EXPECT_TRUE(events.empty());
  watch.Check(1'070'000, events);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].slot, 0);
  EXPECT_TRUE(events[0].silent);
  EXPECT_EQ(events[0].silentMs, 60'000);
  // Said once per silence; slot 2's limit is still ahead.
  watch.Check(1'200'000, events);
  EXPECT_EQ(events.size(), 1u);
  EXPECT_TRUE(watch.IsSilent(0));
  EXPECT_EQ(watch.NextDueMs(1'200'000), 110'000);
  watch.Heard(0b001, 1'250'000, events);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_FALSE(events[1].silent);
  EXPECT_EQ(events[1].silentMs, 240'000);
  EXPECT_FALSE(watch.IsSilent(0));
}

TEST(SilenceWatchTest, SlotsWithoutALimitAndNeverHeardSlots) {
  SilenceWatch watch;
  watch.Start(0);
  Events events;
  watch.Check(10'000'000, events);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(watch.NextDueMs(0), -1);
  // A followed transmitter never heard falls silent from the start of the run.
  watch.SetLimit(7, 1'000);
  watch.Check(1'000, events);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].slot, 7);
}

TEST(SilenceWatchTest, DurationsAreReadAndSaidAsPeopleWriteThem) {
  std::int64_t ms = 0;
  EXPECT_TRUE(ParseSilenceLimit("90s", ms));
  EXPECT_EQ(ms, 90'000);
  EXPECT_TRUE(ParseSilenceLimit("5m", ms));
  EXPECT_EQ(ms, 300'000);
  EXPECT_TRUE(ParseSilenceLimit("1h", ms));
  EXPECT_EQ(ms, 3'600'000);
  EXPECT_TRUE(ParseSilenceLimit("45", ms));
  EXPECT_EQ(ms, 45'000);
  for (const char* bad : {"", "m", "0s", "-5m", "5 m", "5min", "1.5h", "999999999999h", "200h"}) {
    EXPECT_FALSE(ParseSilenceLimit(bad, ms)) << bad;
  }
  EXPECT_EQ(DescribeDuration(45'900), "45 s");
  EXPECT_EQ(DescribeDuration(300'000), "5 min");
  EXPECT_EQ(DescribeDuration(432'000), "7 min 12 s");
  EXPECT_EQ(DescribeDuration(4'800'000), "1 h 20 min");
  EXPECT_EQ(DescribeDurationRussian(432'000), "7 мин 12 с");
  EXPECT_EQ(DescribeDurationRussian(4'800'000), "1 ч 20 мин");
}

}  // namespace

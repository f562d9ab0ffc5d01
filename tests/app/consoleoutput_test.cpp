#include "consoleoutput.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "reception/tempdir.h"

namespace {

// A file or /dev/null never stops taking lines: a flood larger than the
// buffer reaches it whole, and nothing is said to be left out.
TEST(ConsoleOutput, AFileOrDevNullGetsEveryLineOfAFlood) {
  TempDir dir;
  const std::filesystem::path path = dir / "capture.txt";
  for (const char* target : {path.c_str(), "/dev/null"}) {
    const int fd = ::open(target, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << target;
    {
      ConsoleOutput output(fd, 64);
      for (int i = 0; i < 1000; ++i) output.Append("0123456789\n");
      EXPECT_EQ(output.Flush(), ConsoleOutput::State::kFlowing);
      EXPECT_EQ(output.DroppedLines(), 0) << target;
    }
    ::close(fd);
  }
  EXPECT_EQ(std::filesystem::file_size(path), 11000u);
}

}  // namespace

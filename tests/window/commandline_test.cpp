#include "commandline.h"

#include <gtest/gtest.h>

namespace {

struct ScanCase {
  const char* commandLine;
  StartMode expected;
};

class ScanCommandLineTest : public testing::TestWithParam<ScanCase> {};

TEST_P(ScanCommandLineTest, FindsTheWordOnlyAtTheEnd) {
  EXPECT_EQ(ScanCommandLine(GetParam().commandLine), GetParam().expected) << GetParam().commandLine;
}

INSTANTIATE_TEST_SUITE_P(
    Words, ScanCommandLineTest,
    testing::Values(ScanCase{"/usr/bin/delvarine -RegServer", StartMode::kRegister},
                    ScanCase{"delvarine /regserver", StartMode::kRegister},
                    ScanCase{"delvarine -REGSERVER", StartMode::kRegister},
                    ScanCase{"delvarine -UnregServer", StartMode::kUnregister},
                    ScanCase{"delvarine /UNREGserver", StartMode::kUnregister},
                    // Followed by a space or more text: a normal run.
                    ScanCase{"delvarine -RegServer ", StartMode::kRun},
                    ScanCase{"delvarine -RegServer now", StartMode::kRun},
                    // Another option first: its token matches nothing, the scan goes on.
                    ScanCase{"delvarine -x -UnregServer", StartMode::kUnregister},
                    // A separator inside the program path.
                    ScanCase{"/opt/my-tools/delvarine /RegServer", StartMode::kRegister},
                    ScanCase{"/opt/my-tools/delvarine", StartMode::kRun},
                    ScanCase{"delvarine RegServer", StartMode::kRun},
                    ScanCase{"delvarine", StartMode::kRun}),
    [](const testing::TestParamInfo<ScanCase>& param) {
      return "Case" + std::to_string(param.index);
    });

TEST(FindOneOfTest, ReturnsThePositionAfterTheFirstSeparator) {
  EXPECT_EQ(FindOneOf("ab-cd/ef", "-/"), 3u);
  EXPECT_EQ(FindOneOf("/x", "-/"), 1u);
  EXPECT_FALSE(FindOneOf("abc", "-/").has_value());
  EXPECT_FALSE(FindOneOf("", "-/").has_value());
}

}  // namespace

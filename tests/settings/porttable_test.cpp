#include "porttable.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class PortTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int n = 1; n <= 5; ++n) unsetenv(("DELVARINE_COM" + std::to_string(n)).c_str());
  }
  void TearDown() override { SetUp(); }
};

TEST_F(PortTableTest, DefaultsToTheFirstFiveSerialDevices) {
  const PortTable table;
  EXPECT_EQ(table.DevicePath(1), "/dev/ttyS0");
  EXPECT_EQ(table.DevicePath(5), "/dev/ttyS4");
  EXPECT_EQ(PortTable::PortName(1), "COM1");
  EXPECT_EQ(PortTable::PortName(5), "COM5");
}

TEST_F(PortTableTest, IndexesOutsideTheTableHaveNoDevice) {
  const PortTable table;
  for (int index : {-1, 0, 6, 1000}) {
    EXPECT_EQ(table.DevicePath(index), "") << index;
    EXPECT_EQ(PortTable::PortName(index), "") << index;
  }
}

TEST_F(PortTableTest, EnvironmentOverridesConfigurationWhichOverridesDefault) {
  PortTable table;
  table.Configure(2, "/dev/ttyUSB0");
  EXPECT_EQ(table.DevicePath(2), "/dev/ttyUSB0");
  EXPECT_EQ(table.DevicePath(3), "/dev/ttyS2");

  setenv("DELVARINE_COM2", "/dev/pts/7", 1);
  EXPECT_EQ(table.DevicePath(2), "/dev/pts/7");
  // An empty variable counts as not set.
  setenv("DELVARINE_COM2", "", 1);
  EXPECT_EQ(table.DevicePath(2), "/dev/ttyUSB0");

  table.Configure(2, "");
  EXPECT_EQ(table.DevicePath(2), "/dev/ttyS1");
  table.Configure(9, "/dev/null");  // ignored
  EXPECT_EQ(table.DevicePath(9), "");
}

}  // namespace

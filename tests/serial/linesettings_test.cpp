#include "linesettings.h"

#include <gtest/gtest.h>

namespace {

// A terminal as a login shell would leave it: cooked, echoing, 7E1, flow control.
termios CookedTerminal() {
  termios t{};
  t.c_iflag = ICRNL | IXON | IXOFF | ISTRIP | INPCK | BRKINT | IGNCR | INLCR;
  t.c_oflag = OPOST | ONLCR;
  t.c_cflag = CS7 | PARENB | PARODD | CSTOPB | CRTSCTS | HUPCL;
  t.c_lflag = ICANON | ECHO | ECHOE | ISIG | IEXTEN;
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 5;
  t.c_cc[VINTR] = 3;
  cfsetispeed(&t, B9600);
  cfsetospeed(&t, B9600);
  return t;
}

TEST(MakeLineSettings, Gives2400BaudEightDataBitsNoParityOneStopBit) {
  const termios t = MakeLineSettings(CookedTerminal());
  EXPECT_EQ(cfgetispeed(&t), B2400);
  EXPECT_EQ(cfgetospeed(&t), B2400);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_NE(t.c_cflag & CREAD, 0u);
  EXPECT_NE(t.c_cflag & CLOCAL, 0u);
}

TEST(MakeLineSettings, PassesEveryByteUntouched) {
  const termios t = MakeLineSettings(CookedTerminal());
  // CR must reach the line as CR and bytes above 0x7F keep their top bit.
  EXPECT_EQ(t.c_iflag & (ICRNL | IGNCR | INLCR | ISTRIP | INPCK | IXON | IXOFF | BRKINT), 0u);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_cc[VMIN], 0);
  EXPECT_EQ(t.c_cc[VTIME], 0);
}

TEST(MakeLineSettings, KeepsWhatItDoesNotSet) {
  const termios t = MakeLineSettings(CookedTerminal());
  EXPECT_NE(t.c_cflag & HUPCL, 0u);
  EXPECT_EQ(t.c_cc[VINTR], 3);
}

}  // namespace

#include "linesettings.h"

termios MakeLineSettings(const termios& current) {
  termios settings = current;
  // Raw input: no break, CR/NL or parity mangling, no stripping to 7 bits.
  settings.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                             ICRNL | IXON | IXOFF | IXANY | INPCK);
  settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  // 8 data bits, no parity, one stop bit, no hardware flow control.
  settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  settings.c_cflag |= static_cast<tcflag_t>(CS8 | CREAD | CLOCAL);
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  cfsetispeed(&settings, kLineSpeed);
  cfsetospeed(&settings, kLineSpeed);
  return settings;
}

// Kept apart from the other port code: the kernel's termios2 definitions
// clash with the C library's <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>

#include "platform/serial_custom_rate.h"

namespace varek::platform {

int setCustomBaudRate(int fd, int baudRate) {
  struct termios2 settings {};
  if (ioctl(fd, TCGETS2, &settings) != 0) return errno;
  settings.c_cflag &= ~static_cast<tcflag_t>(CBAUD);
  settings.c_cflag |= BOTHER;
  settings.c_ispeed = static_cast<speed_t>(baudRate);
  settings.c_ospeed = static_cast<speed_t>(baudRate);
  if (ioctl(fd, TCSETS2, &settings) != 0) return errno;
  return 0;
}

}  // namespace varek::platform

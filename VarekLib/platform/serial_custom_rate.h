#pragma once

namespace varek::platform {

// Sets a baud rate that has no speed_t constant through Linux's termios2
// interface. Returns 0 or the error number.
int setCustomBaudRate(int fd, int baudRate);

}  // namespace varek::platform

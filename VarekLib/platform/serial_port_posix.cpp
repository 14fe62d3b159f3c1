#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/serial_custom_rate.h"
#include "platform/serial_port.h"

namespace varek::platform {

namespace {

WriteOverride activeWriteOverride = nullptr;

int fdOf(PortHandle port) {
  return static_cast<int>(port.value);
}

// Milliseconds until `deadline` for poll(): 0 when it has passed, capped so the
// conversion to int cannot overflow.
int pollTimeout(MonotonicTime deadline) {
  MonotonicTime left = deadline - monotonicNowMs();
  return static_cast<int>(std::clamp<MonotonicTime>(left, 0, 60'000));
}

speed_t standardSpeed(int baudRate) {
  switch (baudRate) {
    case 50:
      return B50;
    case 75:
      return B75;
    case 110:
      return B110;
    case 134:
      return B134;
    case 150:
      return B150;
    case 200:
      return B200;
    case 300:
      return B300;
    case 600:
      return B600;
    case 1200:
      return B1200;
    case 1800:
      return B1800;
    case 2400:
      return B2400;
    case 4800:
      return B4800;
    case 9600:
      return B9600;
    case 19200:
      return B19200;
    case 38400:
      return B38400;
    case 57600:
      return B57600;
    case 115200:
      return B115200;
    case 230400:
      return B230400;
    case 460800:
      return B460800;
    case 500000:
      return B500000;
    case 576000:
      return B576000;
    case 921600:
      return B921600;
    case 1000000:
      return B1000000;
    case 1152000:
      return B1152000;
    case 1500000:
      return B1500000;
    case 2000000:
      return B2000000;
    default:
      return B0;
  }
}

// A serial port is a binary channel: no line editing, echo, translation or
// signal characters. Data bits, parity and stop bits are fixed at 8N1; flow
// control (CRTSCTS, IXON, IXOFF) keeps whatever the port was set to. Modem
// control lines are ignored, so a missing carrier neither blocks nor hangs up.
void makeRawEightNOne(termios& settings) {
  const tcflag_t keptInput = settings.c_iflag & (IXON | IXOFF | IXANY);
  settings.c_iflag = keptInput;
  settings.c_oflag = 0;
  settings.c_lflag = 0;
  settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | HUPCL);
  settings.c_cflag |= CS8 | CREAD | CLOCAL;
  // With VMIN 1 a non-blocking read reports "no data yet" as EAGAIN; with 0 it
  // would return 0, which could not be told apart from a hang-up.
  settings.c_cc[VMIN] = 1;
  settings.c_cc[VTIME] = 0;
}

// Applies the settings and the rate. Returns 0 or the error number.
int applySettings(int fd, termios& settings, int baudRate) {
  if (baudRate <= 0) return EINVAL;  // B0 would mean "hang up", not a rate
  const speed_t speed = standardSpeed(baudRate);
  if (speed != B0) {
    cfsetispeed(&settings, speed);
    cfsetospeed(&settings, speed);
  }
  if (tcsetattr(fd, TCSANOW, &settings) != 0) return errno;
  if (speed == B0) return setCustomBaudRate(fd, baudRate);
  return 0;
}

}  // namespace

PortOpenResult openSerialPort(const char* name, int baudRate) {
  PortOpenResult result;
  // Non-blocking: an open must not wait for a modem carrier, and every later
  // read and write is bounded by poll.
  int fd = open(name ? name : "", O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    result.error = errno;
    return result;
  }
  // TIOCEXCL alone does not stop a privileged process, so the port is also
  // locked: any other opener, in this process or another, is refused.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    result.error = errno;
    close(fd);
    return result;
  }
  ioctl(fd, TIOCEXCL);  // not a terminal: the configuration step reports it
  result.handle.value = fd;

  termios settings{};
  if (tcgetattr(fd, &settings) != 0) {
    result.stage = PortOpenStage::ReadConfigFailed;
    result.error = errno;
    return result;
  }
  makeRawEightNOne(settings);
  if (int error = applySettings(fd, settings, baudRate); error != 0) {
    result.stage = PortOpenStage::ApplyConfigFailed;
    result.error = error;
    return result;
  }
  result.stage = PortOpenStage::Opened;
  return result;
}

void closeSerialPort(PortHandle port) {
  if (!port.isOpen()) return;
  // The exclusive flag belongs to the terminal, not to this descriptor: clear it
  // so that a later open (ours or another program's) is not refused.
  ioctl(fdOf(port), TIOCNXCL);
  close(fdOf(port));
}

size_t writePort(PortHandle port, const uint8_t* data, size_t size, MonotonicTime deadline) {
  if (activeWriteOverride) return activeWriteOverride(port, data, size);
  size_t written = 0;
  while (written < size) {
    ssize_t n = write(fdOf(port), data + written, size - written);
    if (n > 0) {
      written += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) break;
    // The port's output queue is full (flow control holds it): wait for room.
    pollfd waiter{fdOf(port), POLLOUT, 0};
    int timeout = pollTimeout(deadline);
    if (timeout == 0) break;
    int ready = poll(&waiter, 1, timeout);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || (waiter.revents & (POLLERR | POLLHUP | POLLNVAL))) break;
  }
  return written;
}

ReadStatus readPortByte(PortHandle port, uint8_t& byte, MonotonicTime deadline) {
  for (;;) {
    ssize_t n = read(fdOf(port), &byte, 1);
    if (n == 1) return ReadStatus::Byte;
    if (n < 0 && errno == EINTR) continue;
    // End of file or an I/O error: the other side of the line is gone and
    // poll would report it ready at once, so waiting again would spin.
    if (n == 0 || errno != EAGAIN) return ReadStatus::HungUp;
    pollfd waiter{fdOf(port), POLLIN, 0};
    int timeout = pollTimeout(deadline);
    if (timeout == 0) return ReadStatus::TimedOut;
    int ready = poll(&waiter, 1, timeout);
    if (ready < 0 && errno != EINTR) return ReadStatus::HungUp;
    if (ready > 0 && (waiter.revents & POLLNVAL)) return ReadStatus::HungUp;
    // Readable, hung up or interrupted: the next read tells which.
  }
}

void discardInput(PortHandle port) {
  if (port.isOpen()) tcflush(fdOf(port), TCIFLUSH);
}

void setWriteOverride(WriteOverride hook) {
  activeWriteOverride = hook;
}

}  // namespace varek::platform

#include "Pty.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace varek::sim {

namespace {
[[noreturn]] void fail(const char* what) {
  throw std::system_error(errno, std::system_category(), what);
}

void makeRaw(int fd) {
  termios settings{};
  if (tcgetattr(fd, &settings) != 0) fail("tcgetattr");
  cfmakeraw(&settings);
  if (tcsetattr(fd, TCSANOW, &settings) != 0) fail("tcsetattr");
}
}  // namespace

PtyPair openPty() {
  PtyPair pty;
  pty.master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (pty.master < 0) fail("posix_openpt");
  try {
    char name[PATH_MAX];
    if (grantpt(pty.master) != 0) fail("grantpt");
    if (unlockpt(pty.master) != 0) fail("unlockpt");
    if (int rc = ptsname_r(pty.master, name, sizeof name); rc != 0) {
      errno = rc;
      fail("ptsname_r");
    }
    pty.slavePath = name;
    pty.slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (pty.slave < 0) fail("open slave");
    makeRaw(pty.slave);
  } catch (...) {
    closePty(pty);
    throw;
  }
  return pty;
}

void closePty(PtyPair& pty) {
  if (pty.master >= 0) close(pty.master);
  if (pty.slave >= 0) close(pty.slave);
  pty.master = pty.slave = -1;
}

void pointLink(const std::string& linkPath, const std::string& target) {
  std::string temporary = linkPath + ".tmp" + std::to_string(getpid());
  unlink(temporary.c_str());
  if (symlink(target.c_str(), temporary.c_str()) != 0) fail("symlink");
  if (rename(temporary.c_str(), linkPath.c_str()) != 0) {
    int saved = errno;
    unlink(temporary.c_str());
    errno = saved;
    fail("rename symlink");
  }
}

void removeLinkTo(const std::string& linkPath, const std::string& target) {
  char buffer[PATH_MAX];
  ssize_t length = readlink(linkPath.c_str(), buffer, sizeof buffer);
  if (length > 0 && std::string(buffer, static_cast<std::size_t>(length)) == target)
    unlink(linkPath.c_str());
}

}  // namespace varek::sim

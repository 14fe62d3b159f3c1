// openPort and the session settings on real pseudo-terminals.
#include <asm/termbits.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "VarekLib.h"
#include "platform/serial_port.h"
#include "protocol/exchange.h"
#include "protocol/session.h"

namespace {

// A pseudo-terminal pair; the slave's path stands in for a serial device.
struct Pty {
  int master = -1;
  int slave = -1;
  std::string path;
  Pty() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return;
    path = ptsname(master);
    slave = open(path.c_str(), O_RDWR | O_NOCTTY);
  }
  ~Pty() {
    close(master);
    close(slave);
  }
};

struct termios2 settingsOf(const std::string& path) {
  struct termios2 settings {};
  int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ioctl(fd, TCGETS2, &settings);
  close(fd);
  return settings;
}

std::string openPortOutput(const char* name, int baud, int& result) {
  testing::internal::CaptureStdout();
  result = openPort(name, baud);
  return testing::internal::GetCapturedStdout();
}

}  // namespace

TEST(Session, BeforeAnyOpenPort) {
  EXPECT_EQ(getAmountDecimalPlaces(), 0);
  EXPECT_EQ(getQuantityDecimalPlaces(), 0);
  EXPECT_EQ(getPercentageDecimalPlaces(), 0);
  EXPECT_EQ(getDriverVersion(), 1001);
  EXPECT_EQ(closePort(), 0);
  EXPECT_EQ(varek::simpleCommand(0x32), VAREK_ERR_NO_PORT);
  EXPECT_EQ(varek::queryCommand(0x00).result, VAREK_ERR_NO_PORT);
  EXPECT_EQ(varek::queryCommand(0x00).length, 0);
}

TEST(Session, SettersStoreAnyValueAndOpenPortResetsThem) {
  EXPECT_EQ(setAmountDecimalPlaces(4), 4);
  EXPECT_EQ(setQuantityDecimalPlaces(-7), -7);
  EXPECT_EQ(setPercentageDecimalPlaces(12), 12);
  EXPECT_EQ(setDebugLevel(-1), -1);
  varek::session().batchMode = 1;
  Pty pty;
  ASSERT_EQ(openPort(pty.path.c_str(), 9600), 0);
  EXPECT_EQ(getAmountDecimalPlaces(), 2);
  EXPECT_EQ(getQuantityDecimalPlaces(), 3);
  EXPECT_EQ(getPercentageDecimalPlaces(), 3);
  EXPECT_EQ(varek::session().debugLevel, 0);
  EXPECT_EQ(varek::session().batchMode, 0);
  EXPECT_EQ(setAmountDecimalPlaces(4), 4);
  EXPECT_EQ(getAmountDecimalPlaces(), 4);
}

// Each failing step has its code and its message with the system's error
// number; the settings are reset whatever the outcome.
TEST(Session, OpenFailuresReportTheirStepAndErrorNumber) {
  Pty pty;
  struct Case {
    std::string name;
    int baud;
    int code;
    std::string message;
  } cases[] = {
      {"/dev/does-not-exist", 9600, VAREK_ERR_PORT_OPEN,
       "CreateFile failed with error " + std::to_string(ENOENT) + ".\n"},
      {"/dev/null", 9600, VAREK_ERR_PORT_GET_CONFIG,
       "GetCommState failed with error " + std::to_string(ENOTTY) + ".\n"},
      {pty.path, 0, VAREK_ERR_PORT_SET_CONFIG,
       "SetCommState failed with error " + std::to_string(EINVAL) + ".\n"},
      {pty.path, -9600, VAREK_ERR_PORT_SET_CONFIG,
       "SetCommState failed with error " + std::to_string(EINVAL) + ".\n"},
  };
  for (const auto& c : cases) {
    setAmountDecimalPlaces(5);
    setDebugLevel(1);
    varek::session().batchMode = 1;
    int result = 0;
    std::string output = openPortOutput(c.name.c_str(), c.baud, result);
    EXPECT_EQ(result, c.code) << c.name;
    EXPECT_EQ(output, c.message) << c.name;
    EXPECT_EQ(getAmountDecimalPlaces(), 2) << c.name;
    EXPECT_EQ(varek::session().debugLevel, 0) << c.name;
    EXPECT_EQ(varek::session().batchMode, 0) << c.name;
  }
  // After a failed open there is no port; after a configuration failure the
  // port is held (and the device path is never created).
  int result = 0;
  openPortOutput("/dev/does-not-exist", 9600, result);
  EXPECT_EQ(varek::simpleCommand(0x32), VAREK_ERR_NO_PORT);
  EXPECT_NE(access("/dev/does-not-exist", F_OK), 0);
  openPortOutput(pty.path.c_str(), 0, result);
  EXPECT_TRUE(varek::session().port.isOpen());
}

TEST(Session, PortIsConfiguredRawEightNOneWithFlowControlKept) {
  Pty pty;
  struct termios2 before = settingsOf(pty.path);
  before.c_cflag |= CRTSCTS | PARENB | CSTOPB;
  before.c_iflag |= IXON | IXOFF | ICRNL;
  before.c_lflag |= ICANON | ECHO | ISIG;
  ioctl(pty.slave, TCSETS2, &before);

  ASSERT_EQ(openPort(pty.path.c_str(), 19200), 0);
  struct termios2 after = settingsOf(pty.path);
  EXPECT_EQ(after.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(after.c_cflag & (PARENB | CSTOPB), 0u);
  EXPECT_EQ(after.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(after.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | BRKINT | PARMRK), 0u);
  EXPECT_EQ(after.c_oflag & OPOST, 0u);
  EXPECT_EQ(after.c_cflag & CRTSCTS, static_cast<tcflag_t>(CRTSCTS)) << "flow control kept";
  EXPECT_EQ(after.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
  EXPECT_EQ(after.c_cflag & CBAUD, static_cast<tcflag_t>(B19200));

  // A rate without a speed_t constant goes through the kernel's custom rate.
  ASSERT_EQ(openPort(pty.path.c_str(), 250000), 0);
  after = settingsOf(pty.path);
  EXPECT_EQ(after.c_ospeed, 250000u);
  EXPECT_EQ(after.c_cflag & CBAUD, static_cast<tcflag_t>(BOTHER));
}

TEST(Session, PortIsExclusiveAndOpenPortReconnects) {
  Pty pty;
  ASSERT_EQ(openPort(pty.path.c_str(), 9600), 0);

  // Any other handle, in this process or another, is refused.
  auto other = varek::platform::openSerialPort(pty.path.c_str(), 9600);
  EXPECT_EQ(other.stage, varek::platform::PortOpenStage::OpenFailed);
  EXPECT_TRUE(other.error == EWOULDBLOCK || other.error == EBUSY) << other.error;

  pid_t child = fork();
  if (child == 0) {
    auto attempt = varek::platform::openSerialPort(pty.path.c_str(), 9600);
    _exit(attempt.stage == varek::platform::PortOpenStage::OpenFailed ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "another process was let in";

  // Opening the same device again releases the old handle first.
  EXPECT_EQ(openPort(pty.path.c_str(), 9600), 0);
  EXPECT_EQ(openPort(pty.path.c_str(), 115200), 0);
  EXPECT_EQ(closePort(), 0);
  EXPECT_TRUE(varek::session().port.isOpen()) << "closePort keeps the port";
}

// Unloading the library releases the port it held.
TEST(Session, UnloadingTheLibraryReleasesThePort) {
  Pty pty;
  void* library = dlopen(VAREKLIB_SO, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto open = reinterpret_cast<int (*)(const char*, int)>(dlsym(library, "openPort"));
  ASSERT_NE(open, nullptr);
  ASSERT_EQ(open(pty.path.c_str(), 9600), 0);
  EXPECT_EQ(varek::platform::openSerialPort(pty.path.c_str(), 9600).stage,
            varek::platform::PortOpenStage::OpenFailed);
  dlclose(library);
  auto reopened = varek::platform::openSerialPort(pty.path.c_str(), 9600);
  EXPECT_EQ(reopened.stage, varek::platform::PortOpenStage::Opened) << reopened.error;
  varek::platform::closeSerialPort(reopened.handle);
}

// The line discipline handles XOFF and XON from the device asynchronously:
// probe with one-byte writes on our own descriptor until output is stopped
// (the write is refused) or flows again (bounded: 5 s).
bool waitUntilOutputStopped(int slave, bool stopped) {
  fcntl(slave, F_SETFL, fcntl(slave, F_GETFL) | O_NONBLOCK);
  for (int attempt = 0; attempt < 500; ++attempt) {
    const char probe = 'p';
    bool refused = write(slave, &probe, 1) < 0 && errno == EAGAIN;
    if (refused == stopped) return true;
    usleep(10'000);
  }
  return false;
}

// Flow control holds the line (the device sent XOFF): the write gives up after
// its 10-second bound with 1007 instead of hanging the register. Waits 10 s.
TEST(Session, WriteHeldByFlowControlGivesUpWith1007) {
  Pty pty;
  struct termios2 settings = settingsOf(pty.path);
  settings.c_iflag |= IXON;
  ioctl(pty.slave, TCSETS2, &settings);
  ASSERT_EQ(openPort(pty.path.c_str(), 9600), 0);

  const char xoff = 0x13;
  ASSERT_EQ(write(pty.master, &xoff, 1), 1);
  ASSERT_TRUE(waitUntilOutputStopped(pty.slave, true)) << "XOFF was not taken";
  EXPECT_EQ(varek::simpleCommand(0x32), VAREK_ERR_WRITE);

  const char xon = 0x11;
  ASSERT_EQ(write(pty.master, &xon, 1), 1);
  ASSERT_TRUE(waitUntilOutputStopped(pty.slave, false)) << "XON was not taken";
  varek::session().batchMode = 1;  // nobody answers on this line: do not wait for a reply
  EXPECT_EQ(varek::simpleCommand(0x32), VAREK_OK) << "the line flows again";
}

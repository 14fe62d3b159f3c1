// The exchange log "fr_varek.log": entries byte for byte, what is and is not
// logged around an exchange, whole entries of any length, and writers that
// meet on one file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <future>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "VarekLib.h"
#include "protocol/log.h"
#include "protocol/request.h"
#include "protocol/session.h"
#include "support/printer_fixture.h"

namespace {

using namespace varek::test;
using varek::session;
namespace sim = varek::sim;

std::string readLog() {
  std::ifstream in("fr_varek.log", std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

bool logExists() {
  struct stat info {};
  return stat("fr_varek.log", &info) == 0;
}

// A frame as the log shows it: zero bytes (the packet id) leave no trace.
std::string logged(std::string frame) {
  frame.erase(std::remove(frame.begin(), frame.end(), '\0'), frame.end());
  return frame;
}

std::string sendEntry(uint8_t code, const std::vector<std::string>& fields) {
  return "\nSend:" + logged(requestFrame(code, fields));
}

std::string readEntry(uint8_t code, const std::vector<std::string>& fields) {
  return "\nRead:" + logged(replyFrame(code, 0, fields));
}

void sealText(uint8_t code, const std::string& text) {
  varek::beginRequest(code);
  varek::appendTextField(text.c_str());
  varek::sealRequest();
}

class LogFile : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir.path().empty()); }
  void TearDown() override { session().debugLevel = 0; }
  TempDir dir;
};

TEST_F(LogFile, SendEntryOfAFieldlessRequest) {
  session().debugLevel = 0;
  varek::beginRequest(0x32);
  varek::sealRequest();
  EXPECT_FALSE(logExists());

  session().debugLevel = 1;
  varek::beginRequest(0x32);
  varek::sealRequest();
  // Line feed, "Send:", then STX, QZKV, "32", ETX and two checksum digits.
  const std::string log = readLog();
  EXPECT_EQ(log.size(), 16u);
  EXPECT_EQ(log, sendEntry(0x32, {}));
}

TEST_F(LogFile, EntriesOfAnyLengthAreWrittenWhole) {
  session().debugLevel = 7;
  const std::string longText(2000, 'T');
  sealText(0x40, longText);
  sealText(0x41, "short");
  EXPECT_EQ(readLog(), sendEntry(0x40, {longText}) + sendEntry(0x41, {"short"}));
}

TEST_F(LogFile, OnlyEverAppends) {
  { std::ofstream("fr_varek.log") << "EARLIER"; }
  session().debugLevel = 1;
  sealText(0x40, "A");
  EXPECT_EQ(varek::logText("note"), VAREK_OK);
  EXPECT_EQ(readLog(), "EARLIER" + sendEntry(0x40, {"A"}) + "note");
}

TEST_F(LogFile, FailuresAreReportedToTheCallerOfTheLogOnly) {
  session().debugLevel = 1;
  ASSERT_EQ(mkdir("fr_varek.log", 0755), 0);  // cannot be opened as a file
  EXPECT_EQ(varek::logText("x"), VAREK_ERR_FILE_OPEN);
  EXPECT_EQ(varek::logFrame(3, varek::LogDirection::Send), VAREK_ERR_FILE_OPEN);
  ASSERT_EQ(rmdir("fr_varek.log"), 0);
  ASSERT_EQ(symlink("/dev/full", "fr_varek.log"), 0);  // every write fails
  EXPECT_EQ(varek::logText("x"), VAREK_ERR_LOG_WRITE);
}

// A writer that finds the file locked waits for the entry being written and
// then appends after it, instead of losing its own.
TEST_F(LogFile, WaitsForAnEntryBeingWritten) {
  std::promise<void> locked;
  std::thread holder([&] {
    int fd = open("fr_varek.log", O_WRONLY | O_APPEND | O_CREAT, 0644);
    flock(fd, LOCK_EX);
    locked.set_value();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(write(fd, "FIRST", 5), 5);
    close(fd);
  });
  locked.get_future().wait();
  EXPECT_EQ(varek::logText("SECOND"), VAREK_OK);
  holder.join();
  EXPECT_EQ(readLog(), "FIRSTSECOND");
}

// A lock that is never released costs a bounded wait and that one entry.
TEST_F(LogFile, GivesUpOnALockThatIsNeverReleased) {
  int fd = open("fr_varek.log", O_WRONLY | O_APPEND | O_CREAT, 0644);
  ASSERT_EQ(flock(fd, LOCK_EX), 0);
  EXPECT_EQ(varek::logText("LOST"), VAREK_ERR_FILE_OPEN);
  close(fd);
  EXPECT_EQ(varek::logText("KEPT"), VAREK_OK);
  EXPECT_EQ(readLog(), "KEPT");
}

// Two processes log thousands of entries of varying length into one file:
// every entry arrives exactly once and none is mixed with another.
TEST_F(LogFile, TwoProcessesLoseAndMixNothing) {
  constexpr int kProcesses = 2;
  constexpr int kEntries = 3000;
  auto textOfEntry = [](int process, int entry) {
    return "p" + std::to_string(process) + "-" + std::to_string(entry) + "-" +
           std::string(static_cast<size_t>(entry % 700), static_cast<char>('a' + process));
  };
  session().debugLevel = 1;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int failures = 0;
      for (int i = 0; i < kEntries; ++i) {
        sealText(0x40, textOfEntry(p, i));  // logs the Send entry
        std::memcpy(session().rxFrame, session().txFrame, sizeof session().rxFrame);
        failures += varek::logFrame(session().txLength, varek::LogDirection::Read) != 0;
      }
      _exit(failures == 0 ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }

  std::vector<std::string> expected;
  for (int p = 0; p < kProcesses; ++p) {
    for (int i = 0; i < kEntries; ++i) {
      const std::string frame = logged(requestFrame(0x40, {textOfEntry(p, i)}));
      expected.push_back("Send:" + frame);
      expected.push_back("Read:" + frame);
    }
  }
  std::vector<std::string> found;
  std::stringstream log(readLog());
  std::string line;
  ASSERT_EQ(log.get(), '\n');
  while (std::getline(log, line)) found.push_back(line);
  ASSERT_EQ(found.size(), expected.size());
  std::sort(expected.begin(), expected.end());
  std::sort(found.begin(), found.end());
  auto mismatch = std::mismatch(found.begin(), found.end(), expected.begin());
  EXPECT_TRUE(mismatch.first == found.end())
      << "found \"" << *mismatch.first << "\"\nexpected \"" << *mismatch.second << '"';
}

class ExchangeLog : public PrinterTest {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir.path().empty());
    PrinterTest::SetUp();
  }
  TempDir dir;
};

TEST_F(ExchangeLog, NothingIsWrittenWhileLoggingIsOff) {
  printer.setPayload(0x00, {"1", "2", "3"});
  EXPECT_EQ(libGetStatusFlags().result, VAREK_OK);
  EXPECT_FALSE(logExists());
}

TEST_F(ExchangeLog, RequestThenReplyRawWithNoiseDropped) {
  setDebugLevel(1);
  printer.setPayload(0x00, {"1", "2", "3"});
  printer.pushFault(sim::Fault::Noise({0x06, 'z'}));
  EXPECT_EQ(libGetStatusFlags().result, VAREK_OK);
  printer.setPayload(0x02, {"5", "VAREK"});
  EXPECT_EQ(libGetKKTInfo(5).result, VAREK_OK);
  EXPECT_EQ(readLog(), sendEntry(0x00, {}) + readEntry(0x00, {"1", "2", "3"}) +
                           sendEntry(0x02, {"5"}) + readEntry(0x02, {"5", "VAREK"}));
}

TEST_F(ExchangeLog, ARejectedReplyIsLoggedBeforeItIsChecked) {
  setDebugLevel(1);
  printer.setPayload(0x04, {"0"});
  printer.pushFault(sim::Fault::BadChecksum());
  ReplyRecord record = libGetPrinterStatus();
  EXPECT_EQ(record.result, VAREK_ERR_CHECKSUM);
  EXPECT_EQ(readLog(), sendEntry(0x04, {}) + "\nRead:" + logged(textOf(record)));
}

TEST_F(ExchangeLog, ARequestThatFindsNoPortIsStillLogged) {
  testing::internal::CaptureStdout();
  EXPECT_EQ(openPort((dir.path() + "/no-such-port").c_str(), 115200), VAREK_ERR_PORT_OPEN);
  testing::internal::GetCapturedStdout();
  setDebugLevel(1);
  EXPECT_EQ(libGetStatusFlags().result, VAREK_ERR_NO_PORT);
  EXPECT_EQ(readLog(), sendEntry(0x00, {}));
}

TEST_F(ExchangeLog, AnUnwritableLogDoesNotDisturbTheExchange) {
  setDebugLevel(1);
  ASSERT_EQ(mkdir("fr_varek.log", 0755), 0);
  printer.setPayload(0x81, {"1"});
  int drawer = -1;
  EXPECT_EQ(getCashDrawerStatus(&drawer), VAREK_OK);
  EXPECT_EQ(drawer, 1);
}

// Waits out the 10-second reply limit.
TEST_F(ExchangeLog, NoReadEntryAfterATimeOut) {
  setDebugLevel(1);
  printer.pushFault(sim::Fault::Silence());
  EXPECT_EQ(libGetStatusFlags().result, VAREK_ERR_TIMEOUT);
  EXPECT_EQ(readLog(), sendEntry(0x00, {}));
}

}  // namespace

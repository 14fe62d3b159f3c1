// The exchange against the virtual printer on a real pseudo-terminal: request
// bytes on the wire, reply validation, injected faults, batch mode, limits.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "VarekLib.h"
#include "protocol/exchange.h"
#include "protocol/request.h"
#include "protocol/session.h"
#include "support/printer_fixture.h"

using namespace varek;
using namespace varek::test;
using sim::Fault;
using std::chrono::milliseconds;

namespace {

constexpr uint8_t kStatus = 0x00;

double cpuSecondsUsed() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::vector<uint8_t> frameWithErrorDigits(const std::string& digits) {
  std::string frame = replyFrame(kStatus, 0, {"1"});
  frame.replace(4, 2, digits);
  uint8_t sum = 0;
  for (size_t i = 1; i + 2 < frame.size(); ++i) sum ^= static_cast<uint8_t>(frame[i]);
  char hex[3];
  std::snprintf(hex, sizeof hex, "%02X", sum);
  frame.replace(frame.size() - 2, 2, hex);
  return bytesOf(frame);
}

class Exchange : public PrinterTest {
 protected:
  void SetUp() override {
    PrinterTest::SetUp();
    printer.setPayload(kStatus, {"1", "2", "3"});
  }

  // A good exchange after a fault: the reply is this request's own.
  void expectGoodExchange(const std::string& context) {
    printer.setPayload(kStatus, {"7", "8", "9"});
    ReplyRecord record = queryCommand(kStatus);
    EXPECT_EQ(record.result, VAREK_OK) << "after " << context;
    EXPECT_EQ(textOf(record), replyFrame(kStatus, 0, {"7", "8", "9"})) << "after " << context;
  }
};

}  // namespace

TEST_F(Exchange, RequestAndReplyBytes) {
  printer.setPayload(0x02, {"44", "info"});
  ReplyRecord record = queryCommandByte(0x02, 300);
  EXPECT_EQ(record.result, VAREK_OK);
  ASSERT_TRUE(waitForRequests(1));
  EXPECT_EQ(takeReceived(), requestFrame(0x02, {"44"}));
  EXPECT_EQ(textOf(record).substr(0, 4), std::string("\x02\0"
                                                     "02",
                                                     4));

  record = queryCommand(kStatus);
  EXPECT_EQ(record.result, VAREK_OK);
  EXPECT_EQ(textOf(record), replyFrame(kStatus, 0, {"1", "2", "3"}));
  const SessionState& s = session();
  EXPECT_EQ(s.payloadLength, 6);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.payload), 6),
            "1\x1C"
            "2\x1C"
            "3\x1C");
}

// Each fault gives its code, and the exchange after it works.
TEST_F(Exchange, InjectedFaults) {
  Fault lowerCaseError = Fault::LowerCaseHex();
  lowerCaseError.errorCode = 0x3A;
  std::string badChecksumDigits = replyFrame(kStatus, 0, {"1"});
  badChecksumDigits.replace(badChecksumDigits.size() - 2, 2, "Z1");
  struct Case {
    const char* name;
    Fault fault;
    int32_t code;
  } cases[] = {
      {"noise before STX", Fault::Noise({0x06, 'x', 0x03, 0x00}), VAREK_OK},
      {"wrong packet id", Fault::WrongPacketId(0x01), VAREK_ERR_PACKET_ID},
      {"wrong first command character", Fault::WrongFirstChar('9'), VAREK_ERR_COMMAND_CHAR1},
      {"wrong second command character", Fault::WrongSecondChar('9'), VAREK_ERR_COMMAND_CHAR2},
      {"bad checksum", Fault::BadChecksum(), VAREK_ERR_CHECKSUM},
      {"lower-case hex digits", Fault::LowerCaseHex(), VAREK_OK},
      {"lower-case device error", lowerCaseError, 0x3A},
      {"device error 3A", Fault::DeviceError(0x3A), 58},
      {"4-byte reply", Fault::Raw({0x02, 0x03, 'x', 'y'}), VAREK_ERR_SHORT_REPLY},
      {"checksum digits not hexadecimal", Fault::Raw(bytesOf(badChecksumDigits)),
       VAREK_ERR_CHECKSUM},
      {"error digits not hexadecimal", Fault::Raw(frameWithErrorDigits("G1")),
       VAREK_ERR_ERROR_CODE},
      {"error digits with a sign", Fault::Raw(frameWithErrorDigits("-1")), VAREK_ERR_ERROR_CODE},
      {"overlong reply", Fault::OverlongReply(6000), VAREK_ERR_REPLY_TOO_LONG},
  };
  for (const auto& c : cases) {
    printer.setPayload(kStatus, {"1", "2", "3"});
    queryCommand(kStatus);  // a good reply sets the payload that failures must keep
    printer.pushFault(c.fault);
    ReplyRecord record = queryCommand(kStatus);
    EXPECT_EQ(record.result, c.code) << c.name;
    EXPECT_LE(record.length, VAREK_REPLY_RECORD_RAW_SIZE) << c.name;
    if (c.code != VAREK_OK) {
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(session().payload), 6),
                "1\x1C"
                "2\x1C"
                "3\x1C")
          << c.name << ": a failed reply must not replace the payload";
    } else {
      EXPECT_EQ(record.raw[0], STX) << c.name << ": noise must not reach the record";
    }
    expectGoodExchange(c.name);
  }
}

TEST_F(Exchange, ReplyWithoutPayloadAndRecordBound) {
  printer.setPayload(kStatus, {});
  EXPECT_EQ(queryCommand(kStatus).result, VAREK_OK);
  EXPECT_EQ(session().payloadLength, 0);

  // A reply longer than a record holds is cut at 256 bytes; length says so.
  printer.setPayload(kStatus, {std::string(400, 'A')});
  ReplyRecord record = queryCommand(kStatus);
  EXPECT_EQ(record.result, VAREK_OK);
  EXPECT_EQ(record.length, VAREK_REPLY_RECORD_RAW_SIZE);
  EXPECT_EQ(session().payloadLength, 401);
}

TEST_F(Exchange, BatchModeSkipsOnlyTheBatchAwareReads) {
  // A device in batch mode does not answer these two.
  printer.pushFault(Fault::Silence());
  printer.pushFault(Fault::Silence());
  session().batchMode = 1;
  EXPECT_EQ(simpleCommand(0x34), VAREK_OK);
  ReplyRecord record = queryCommand(kStatus);
  EXPECT_EQ(record.result, VAREK_OK);
  EXPECT_EQ(record.length, 0);
  ASSERT_TRUE(waitForRequests(2)) << "the requests were still written";

  // The always-reading query validates its own reply, not one left unread.
  printer.pushFault(Fault::DeviceError(0x0B));
  EXPECT_EQ(queryCommandByte(0x02, 1).result, 11);
  EXPECT_EQ(queryCommandByte(0x02, 1).result, VAREK_OK);
}

TEST_F(Exchange, ClosePortKeepsThePortWorking) {
  EXPECT_EQ(closePort(), VAREK_OK);
  EXPECT_EQ(queryCommand(kStatus).result, VAREK_OK);
}

// The device hangs up (cable pulled, pty closed): the read ends at once
// instead of spinning until the limit, and reconnecting works.
TEST_F(Exchange, PeerHangUp) {
  printer.pushFault(Fault::HangUp());
  double cpuBefore = cpuSecondsUsed();
  ReplyRecord record = queryCommand(kStatus);
  EXPECT_EQ(record.result, VAREK_ERR_TIMEOUT);
  EXPECT_LT(cpuSecondsUsed() - cpuBefore, 1.0);
  EXPECT_EQ(queryCommand(kStatus).result, VAREK_ERR_WRITE) << "a hung-up line takes nothing";
  ASSERT_EQ(openPort(printer.currentSlavePath().c_str(), 115200), VAREK_OK);
  expectGoodExchange("hang-up and reconnect");
}

// The tests below wait out the 10-second reply limit; each is its own CTest
// test so they run in parallel.
TEST_F(Exchange, SilenceTimesOutWithoutBusyWaiting) {
  printer.pushFault(Fault::Silence());
  double cpuBefore = cpuSecondsUsed();
  ReplyRecord record = queryCommand(kStatus);
  double cpuUsed = cpuSecondsUsed() - cpuBefore;
  EXPECT_EQ(record.result, VAREK_ERR_TIMEOUT);
  EXPECT_EQ(record.length, 0);
  EXPECT_LT(cpuUsed, 0.5) << "waiting must not spin";
  expectGoodExchange("silence");
}

TEST_F(Exchange, ReplyElevenSecondsLateTimesOutAndIsNotTakenForTheNext) {
  printer.pushFault(Fault::Delay(milliseconds(11000)));
  EXPECT_EQ(queryCommand(kStatus).result, VAREK_ERR_TIMEOUT);
  // Wait (bounded) until the late reply is waiting unread in the port's input.
  int pending = 0;
  for (int attempt = 0; attempt < 500 && pending == 0; ++attempt) {
    std::this_thread::sleep_for(milliseconds(10));
    ioctl(static_cast<int>(session().port.value), FIONREAD, &pending);
  }
  ASSERT_GT(pending, 0) << "the late reply never came";
  expectGoodExchange("a late reply");
}

TEST_F(Exchange, CutOffReplyKeepsWhatArrived) {
  printer.pushFault(Fault::CutOff(5));
  ReplyRecord record = queryCommand(kStatus);
  EXPECT_EQ(record.result, VAREK_ERR_TIMEOUT);
  EXPECT_EQ(record.length, 5);
  expectGoodExchange("a cut-off reply");
}

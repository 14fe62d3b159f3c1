// Document lifecycle: the request of each of the five commands, and every row
// of the batch-mode table that the flag depends on: which outcome switches it
// on, which switches it off, and which reads its own reply while it is on.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "VarekLib.h"
#include "platform/serial_port.h"
#include "protocol/session.h"
#include "support/command_cases.h"
#include "support/printer_fixture.h"

using namespace varek::test;
using varek::session;

namespace {

constexpr uint8_t kOpen = 0x30;
constexpr uint8_t kClose = 0x31;
constexpr uint8_t kCancel = 0x32;
constexpr uint8_t kPostpone = 0x33;
constexpr uint8_t kCut = 0x34;
constexpr uint8_t kDeviceError = 0x4D;

const std::vector<CommandCase>& lifecycleCases() {
  static const std::vector<CommandCase> cases = {
      {"open", [] { return libOpenDocument(1, 7, "Anna", -42); }, kOpen, {"1", "7", "Anna", "-42"}},
      {"open, null text",
       [] { return libOpenDocument(2, 0, nullptr, 0); },
       kOpen,
       {"2", "0", "", "0"}},
      {"close", [] { return libCloseDocument(255).result; }, kClose, {"255"}},
      {"cancel", [] { return libCancelDocument(); }, kCancel, {}},
      {"postpone", [] { return libPostponeDocument("table 4"); }, kPostpone, {"table 4"}},
      {"cut", [] { return libCutDocument(); }, kCut, {}, ReadsReply::UnlessBatch},
  };
  return cases;
}

class DocumentLifecycle : public PrinterTest {
 protected:
  void TearDown() override { varek::platform::setWriteOverride(nullptr); }

  // Leaves the library without a port (the failed open releases the old one).
  void dropPort() { ASSERT_EQ(openPort("/nonexistent/varek-port", 115200), VAREK_ERR_PORT_OPEN); }

  // Every command answers with success and no payload.
  void answerEverything() {
    for (uint8_t code : {kOpen, kClose, kCancel, kPostpone, kCut}) printer.setReply(code, {});
  }
};

TEST_F(DocumentLifecycle, EachCommandSendsItsFieldsInOrder) {
  expectRequestsOnWire(printer, lifecycleCases());
}

TEST_F(DocumentLifecycle, WithoutAPortNothingIsSent) {
  expectNoPortRefusal(printer, lifecycleCases());
}

TEST_F(DocumentLifecycle, CloseReturnsTheWholeReplyFrame) {
  printer.setPayload(kClose, {"12", "4.50"});
  ReplyRecord record = libCloseDocument(0);
  EXPECT_EQ(record.result, VAREK_OK);
  EXPECT_EQ(textOf(record), replyFrame(kClose, 0, {"12", "4.50"}));

  printer.pushFault(varek::sim::Fault::DeviceError(0x36));
  record = libCloseDocument(0);
  EXPECT_EQ(record.result, 0x36);
  EXPECT_EQ(textOf(record).substr(4, 2), "36");
}

// Bit 0x10 switches batch mode on once the open has been written; the open
// itself reads its reply, and a batch-aware command after it does not.
TEST_F(DocumentLifecycle, OpenWithBit0x10SwitchesBatchModeOn) {
  answerEverything();
  EXPECT_EQ(libOpenDocument(0x10, 0, "", 0), VAREK_OK);
  EXPECT_EQ(session().batchMode, 1);
  EXPECT_EQ(session().rxLength, 9);  // the open's own reply was read

  printer.pushFault(varek::sim::Fault::Silence());
  printer.clearTranscript();
  EXPECT_EQ(libCutDocument(), VAREK_OK);
  EXPECT_EQ(session().rxLength, 0);
  ASSERT_TRUE(waitForRequests(1));
  EXPECT_EQ(textOf(printer.received()), requestFrame(kCut, {}));
}

TEST_F(DocumentLifecycle, OnlyTheLowByteOfTheDocumentTypeCounts) {
  answerEverything();
  // A caller whose language passes the byte in a wider register: only the low
  // 8 bits are sent and only they decide batch mode.
  auto open = reinterpret_cast<int (*)(int, int, const char*, int)>(
      reinterpret_cast<void (*)()>(&libOpenDocument));
  EXPECT_EQ(open(0x100, 300, "", 0), VAREK_OK);
  EXPECT_EQ(lastRequestFrame(), requestFrame(kOpen, {"0", "44", "", "0"}));
  EXPECT_EQ(session().batchMode, 0);

  printer.clearTranscript();
  EXPECT_EQ(open(0x110, 1, "", 0), VAREK_OK);
  EXPECT_EQ(lastRequestFrame(), requestFrame(kOpen, {"16", "1", "", "0"}));
  EXPECT_EQ(session().batchMode, 1);
}

TEST_F(DocumentLifecycle, OpenThatIsNotWrittenLeavesTheFlagAlone) {
  dropPort();
  EXPECT_EQ(libOpenDocument(0x11, 0, "", 0), VAREK_ERR_NO_PORT);
  EXPECT_EQ(session().batchMode, 0);

  ASSERT_EQ(openPort(printer.portPath().c_str(), 115200), VAREK_OK);
  varek::platform::setWriteOverride(
      [](varek::platform::PortHandle, const uint8_t*, size_t size) { return size - 1; });
  EXPECT_EQ(libOpenDocument(0x11, 0, "", 0), VAREK_ERR_WRITE);
  EXPECT_EQ(session().batchMode, 0);
}

// A text that does not fit the 4096-byte frame: nothing is sent; the open
// leaves the flag alone and the postpone still switches it off.
TEST_F(DocumentLifecycle, OverlongTextIsRefusedBeforeAnythingIsSent) {
  const std::string text(4096, 'x');
  EXPECT_EQ(libOpenDocument(0x11, 0, text.c_str(), 0), VAREK_ERR_FRAME_TOO_LONG);
  EXPECT_EQ(session().batchMode, 0);
  session().batchMode = 1;
  EXPECT_EQ(libPostponeDocument(text.c_str()), VAREK_ERR_FRAME_TOO_LONG);
  EXPECT_EQ(session().batchMode, 0);
  EXPECT_EQ(libCutDocument(), VAREK_OK);  // the next request goes out alone
  EXPECT_EQ(textOf(printer.received()), requestFrame(kCut, {}));
}

// Once written, the device may have opened the document whatever its reply
// says, so the flag stays on after a refusal or a broken reply.
TEST_F(DocumentLifecycle, OpenWithBit0x10KeepsBatchModeOnAfterAFailedReply) {
  struct Case {
    const char* name;
    varek::sim::Fault fault;
    int expected;
  };
  const Case cases[] = {
      {"device error", varek::sim::Fault::DeviceError(kDeviceError), kDeviceError},
      {"bad checksum", varek::sim::Fault::BadChecksum(), VAREK_ERR_CHECKSUM},
      {"other command echoed", varek::sim::Fault::WrongSecondChar('1'), VAREK_ERR_COMMAND_CHAR2},
  };
  for (const auto& c : cases) {
    session().batchMode = 0;
    printer.pushFault(c.fault);
    EXPECT_EQ(libOpenDocument(0x11, 0, "", 0), c.expected) << c.name;
    EXPECT_EQ(session().batchMode, 1) << c.name;
  }
}

TEST_F(DocumentLifecycle, OpenWithoutTheBitNeverSwitchesBatchModeOff) {
  answerEverything();
  session().batchMode = 1;
  EXPECT_EQ(libOpenDocument(1, 0, "", 0), VAREK_OK);
  EXPECT_EQ(session().batchMode, 1);

  // It still reads its own reply, and passes a refusal on.
  printer.pushFault(varek::sim::Fault::DeviceError(kDeviceError));
  EXPECT_EQ(libOpenDocument(0, 0, "", 0), kDeviceError);
  EXPECT_EQ(session().batchMode, 1);
}

TEST_F(DocumentLifecycle, OpenWithoutTheBitLeavesBatchModeOffOnFailure) {
  printer.pushFault(varek::sim::Fault::DeviceError(kDeviceError));
  EXPECT_EQ(libOpenDocument(1, 0, "", 0), kDeviceError);
  EXPECT_EQ(session().batchMode, 0);
}

// Close, cancel and postpone end batch mode whatever happens; close and cancel
// switch it off before they are sent, so they read their own verdict.
struct EndingCase {
  const char* name;
  int (*call)();
};
const EndingCase kEndings[] = {
    {"close", [] { return libCloseDocument(0).result; }},
    {"cancel", [] { return libCancelDocument(); }},
    {"postpone", [] { return libPostponeDocument("later"); }},
};

TEST_F(DocumentLifecycle, EndingADocumentReadsItsReplyAndSwitchesBatchModeOff) {
  for (const auto& c : kEndings) {
    session().batchMode = 1;
    printer.pushFault(varek::sim::Fault::DeviceError(kDeviceError));
    EXPECT_EQ(c.call(), kDeviceError) << c.name;
    EXPECT_EQ(session().batchMode, 0) << c.name;
  }
}

TEST_F(DocumentLifecycle, EndingADocumentWithoutAPortStillSwitchesBatchModeOff) {
  dropPort();
  for (const auto& c : kEndings) {
    session().batchMode = 1;
    EXPECT_EQ(c.call(), VAREK_ERR_NO_PORT) << c.name;
    EXPECT_EQ(session().batchMode, 0) << c.name;
  }
  session().batchMode = 1;
  ReplyRecord record = libCloseDocument(0);
  EXPECT_EQ(record.result, VAREK_ERR_NO_PORT);
  EXPECT_EQ(record.length, 0);
  EXPECT_EQ(session().batchMode, 0);
}

TEST_F(DocumentLifecycle, CutLeavesBatchModeAsItIs) {
  answerEverything();
  for (uint8_t flag : {uint8_t{0}, uint8_t{1}}) {
    session().batchMode = flag;
    if (flag) printer.pushFault(varek::sim::Fault::Silence());
    EXPECT_EQ(libCutDocument(), VAREK_OK);
    EXPECT_EQ(session().batchMode, flag);
  }
}

}  // namespace

// Service and configuration commands: requests, batch behaviour, the bare
// paper feed, and the host-clock helpers with the clock pinned.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>

#include "VarekLib.h"
#include "platform/clock.h"
#include "platform/serial_port.h"
#include "protocol/session.h"
#include "support/command_cases.h"
#include "support/printer_fixture.h"

using namespace varek::test;
using varek::platform::LocalDateTime;

namespace {

const std::vector<CommandCase>& serviceCases() {
  static const std::vector<CommandCase> cases = {
      {"start", [] { return libCommandStart(2014, 0x503, 0x20709); }, 0x10, {"050314", "090702"}},
      {"read settings, table 300",
       [] { return libReadSettingsTable(300, -1).result; },
       0x11,
       {"44", "-1"},
       ReadsReply::UnlessBatch},
      {"write settings",
       [] { return libWriteSettingsTable(2, 7, "HEADER LINE"); },
       0x12,
       {"2", "7", "HEADER LINE"}},
      {"write settings, empty value",
       [] { return libWriteSettingsTable(2, 7, ""); },
       0x12,
       {"2", "7", ""}},
      {"set clock, year 14, top byte of time ignored",
       [] { return libSetVarekDateTime(14, 0x1F0C, static_cast<int>(0xFF3B3B17)); },
       0x14,
       {"311214", "235959"}},
      {"open drawer", [] { return libOpenCashDrawer(300); }, 0x80, {"300"}},
      {"beep", [] { return libBeep(-2); }, 0x82, {"-2"}},
      {"authorization",
       [] { return libAuthorization(2015, 0x0102, 0x000A0B, "KEY-123"); },
       0x90,
       {"010215", "111000", "KEY-123"}},
      {"read memory",
       [] { return libReadMemoryBlock(262, 4096, 64).result; },
       0x91,
       {"6", "4096", "64"}},
      {"speed 511", [] { return libSetSpeed(511); }, 0x93, {"255"}},
      {"service data", [] { return libPrintServiceData(); }, 0x94, {}, ReadsReply::UnlessBatch},
      {"0x9A", [] { return command0x9A(); }, 0x9A, {}, ReadsReply::UnlessBatch},
      {"0x9B", [] { return command0x9B(); }, 0x9B, {}, ReadsReply::UnlessBatch},
  };
  return cases;
}

class ServiceCommands : public PrinterTest {
 protected:
  void TearDown() override {
    varek::platform::setLocalTimeOverride(nullptr);
    varek::platform::setWriteOverride(nullptr);
  }
  void pinClock(LocalDateTime when) { varek::platform::setLocalTimeOverride(&when); }
};

constexpr LocalDateTime kMorning{2014, 3, 5, 9, 7, 2};

}  // namespace

TEST_F(ServiceCommands, EachCommandSendsItsFieldsInOrder) {
  expectRequestsOnWire(printer, serviceCases());
}

TEST_F(ServiceCommands, OnlyTheBatchAwareCommandsSkipTheReplyInBatchMode) {
  expectBatchBehaviour(printer, serviceCases());
}

TEST_F(ServiceCommands, WithoutAPortNothingIsSent) {
  expectNoPortRefusal(printer, serviceCases());
  EXPECT_EQ(scrollPaper(), VAREK_ERR_NO_PORT);
  EXPECT_EQ(commandStart(), VAREK_ERR_NO_PORT);
  ReplyRecord record = libReadMemoryBlock(6, 0, 4);
  EXPECT_EQ(record.result, VAREK_ERR_NO_PORT);
  EXPECT_EQ(record.length, 0);
  int date[2] = {0, 0};
  int time = 0;
  EXPECT_EQ(getCurMPTime(date, &time), 0);  // the host clock needs no device
}

TEST_F(ServiceCommands, CommandStartSendsTheHostsLocalDateAndTime) {
  const struct {
    LocalDateTime now;
    std::vector<std::string> fields;
  } cases[] = {
      {kMorning, {"050314", "090702"}},
      {{2009, 12, 31, 23, 59, 59}, {"311209", "235959"}},
      {{2030, 1, 1, 0, 0, 0}, {"010130", "000000"}},
  };
  for (const auto& c : cases) {
    pinClock(c.now);
    printer.clearTranscript();
    EXPECT_EQ(commandStart(), VAREK_OK);
    EXPECT_EQ(textOf(printer.received()), requestFrame(0x10, c.fields));
  }
}

TEST_F(ServiceCommands, CurrentTimeFillsOnlyTheLowBytesOfTheCallersInts) {
  pinClock(kMorning);
  int date[2] = {-1, -1};
  int time = -1;
  EXPECT_EQ(getCurMPTime(date, &time), 0);
  EXPECT_EQ(date[0], 14);
  EXPECT_EQ(static_cast<unsigned>(date[1]), 0xFFFF0503u);
  EXPECT_EQ(static_cast<unsigned>(time), 0xFF020709u);

  date[1] = 0x12340000;
  time = 0;
  getCurMPTime(date, &time);
  EXPECT_EQ(date[1], 0x12340503);
  EXPECT_EQ(time, 0x020709);

  // The packed values are exactly what the date and time commands take.
  printer.clearTranscript();
  EXPECT_EQ(libSetVarekDateTime(date[0], date[1], time), VAREK_OK);
  EXPECT_EQ(textOf(printer.received()), requestFrame(0x14, {"050314", "090702"}));
}

TEST_F(ServiceCommands, CurrentTimeSkipsNullPointers) {
  pinClock(kMorning);
  int time = 0;
  EXPECT_EQ(getCurMPTime(nullptr, &time), 0);
  EXPECT_EQ(time, 0x020709);
  int date[2] = {0, 0};
  EXPECT_EQ(getCurMPTime(date, nullptr), 0);
  EXPECT_EQ(date[0], 14);
}

TEST_F(ServiceCommands, ScrollPaperWritesOneBareLineFeedAndReadsNothing) {
  TempDir dir;
  setDebugLevel(1);
  printer.clearTranscript();
  EXPECT_EQ(scrollPaper(), VAREK_OK);
  ASSERT_TRUE(printer.waitForReceived(1, std::chrono::seconds(5)));
  EXPECT_EQ(printer.received(), std::vector<uint8_t>{0x0A});
  EXPECT_EQ(varek::session().txLength, 1);
  EXPECT_EQ(varek::session().rxLength, 0);
  struct stat info {};
  EXPECT_NE(stat("fr_varek.log", &info), 0) << "the paper feed is not logged";
  setDebugLevel(0);

  // The device feeds a blank line and the next exchange is undisturbed.
  EXPECT_EQ(libBeep(1), VAREK_OK);
  EXPECT_NE(printer.paper().find('\n'), std::string::npos);
}

TEST_F(ServiceCommands, ScrollPaperReportsAShortWrite) {
  varek::platform::setWriteOverride(
      [](varek::platform::PortHandle, const uint8_t*, size_t) { return size_t{0}; });
  EXPECT_EQ(scrollPaper(), VAREK_ERR_WRITE);
}

TEST_F(ServiceCommands, RecordsHoldTheRawReplyAndReadMemoryWaitsInBatchMode) {
  printer.setPayload(0x91, {"00FF"});
  varek::session().batchMode = 1;
  ReplyRecord record = libReadMemoryBlock(6, 0, 2);
  varek::session().batchMode = 0;
  EXPECT_EQ(record.result, VAREK_OK);
  EXPECT_EQ(textOf(record), replyFrame(0x91, 0, {"00FF"}));

  printer.setPayload(0x11, {"2", "7", "X"});
  record = libReadSettingsTable(2, 7);
  EXPECT_EQ(record.result, VAREK_OK);
  EXPECT_EQ(textOf(record), replyFrame(0x11, 0, {"2", "7", "X"}));
}

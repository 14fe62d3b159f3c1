// Electronic control tape commands: the request of each command, the optional
// fields of the information request and the reading of replies in batch mode.
#include <gtest/gtest.h>

#include "VarekLib.h"
#include "protocol/session.h"
#include "support/command_cases.h"
#include "support/printer_fixture.h"

using namespace varek::test;

namespace {

int infoResult(int kind, int value1, int value2) {
  return libGetInfoFromECT(kind, value1, value2).result;
}

const std::vector<CommandCase>& ectCases() {
  static const std::vector<CommandCase> cases = {
      {"activation", [] { return libActivizationECT(); }, 0x70, {}, ReadsReply::UnlessBatch},
      {"close archive", [] { return libCloseArchiveECT(); }, 0x71, {}, ReadsReply::UnlessBatch},
      {"control tape", [] { return libPrintControlTapeFromECT(-7); }, 0x72, {"-7"}},
      {"document", [] { return libPrintDocumentFromECT(123456); }, 0x73, {"123456"}},
      {"report by shifts",
       [] { return libPrintReportFromECTByShifts(258, 1, 20); },
       0x74,
       {"2", "1", "20"}},
      {"report by dates",
       [] { return libPrintReportFromECTByDate(1, 2014, 0x503, 2015, 0x0101); },
       0x75,
       {"1", "050314", "010115"}},
      {"activation report",
       [] { return libPrintReportActivizationECT(); },
       0x76,
       {},
       ReadsReply::UnlessBatch},
      {"shift report", [] { return libPrintReportFromECTByShift(42); }, 0x77, {"42"}},
      {"info kind 9: kind alone",
       [] { return infoResult(9, 5, 6); },
       0x78,
       {"9"},
       ReadsReply::UnlessBatch},
      {"info kind 10",
       [] { return infoResult(10, 5, 6); },
       0x78,
       {"10", "5"},
       ReadsReply::UnlessBatch},
      {"info kind 11",
       [] { return infoResult(11, -5, 6); },
       0x78,
       {"11", "-5"},
       ReadsReply::UnlessBatch},
      {"info kind 12",
       [] { return infoResult(12, 5, 6); },
       0x78,
       {"12", "5"},
       ReadsReply::UnlessBatch},
      {"info kind 13: both values",
       [] { return infoResult(13, 5, 6); },
       0x78,
       {"13", "5", "6"},
       ReadsReply::UnlessBatch},
      {"info kind 14: kind alone",
       [] { return infoResult(14, 5, 6); },
       0x78,
       {"14"},
       ReadsReply::UnlessBatch},
      {"info kind 266 (low byte 10)",
       [] { return infoResult(266, 5, 6); },
       0x78,
       {"10", "5"},
       ReadsReply::UnlessBatch},
      {"info kind 269 (low byte 13)",
       [] { return infoResult(269, 5, 6); },
       0x78,
       {"13", "5", "6"},
       ReadsReply::UnlessBatch},
      {"info kind -243 (low byte 13)",
       [] { return infoResult(-243, 5, 6); },
       0x78,
       {"13", "5", "6"},
       ReadsReply::UnlessBatch},
      {"service channel",
       [] { return libEnableServiceChannelToECT(); },
       0xA2,
       {},
       ReadsReply::UnlessBatch},
  };
  return cases;
}

class ControlTapeCommands : public PrinterTest {};

}  // namespace

TEST_F(ControlTapeCommands, EachCommandSendsItsFieldsInOrder) {
  expectRequestsOnWire(printer, ectCases());
}

TEST_F(ControlTapeCommands, OnlyTheBatchAwareCommandsSkipTheReplyInBatchMode) {
  expectBatchBehaviour(printer, ectCases());
}

TEST_F(ControlTapeCommands, WithoutAPortNothingIsSent) {
  expectNoPortRefusal(printer, ectCases());
  ReplyRecord record = libGetInfoFromECT(13, 1, 2);
  EXPECT_EQ(record.result, VAREK_ERR_NO_PORT);
  EXPECT_EQ(record.length, 0);
}

TEST_F(ControlTapeCommands, InfoRecordHoldsTheRawReply) {
  printer.setPayload(0x78, {"10", "77"});
  ReplyRecord record = libGetInfoFromECT(10, 3, 0);
  EXPECT_EQ(record.result, VAREK_OK);
  EXPECT_EQ(textOf(record), replyFrame(0x78, 0, {"10", "77"}));

  // A device error still hands over the reply as received.
  printer.pushFault(varek::sim::Fault::DeviceError(0x33));
  record = libGetInfoFromECT(10, 3, 0);
  EXPECT_EQ(record.result, 0x33);
  EXPECT_EQ(record.length, static_cast<int>(replyFrame(0x78, 0x33, {"10", "77"}).size()));

  // In batch mode nothing is read: result 0 and an empty record.
  printer.pushFault(varek::sim::Fault::Silence());
  varek::session().batchMode = 1;
  record = libGetInfoFromECT(10, 3, 0);
  varek::session().batchMode = 0;
  EXPECT_EQ(record.result, VAREK_OK);
  EXPECT_EQ(record.length, 0);
}

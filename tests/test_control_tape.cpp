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

TEST_F(ControlTapeCommands, RegisterKeepsItsTapeBetweenShifts) {
  constexpr int kShiftOpen = 0x41, kEctNotActive = 0x45, kEctActive = 0x46, kNotOnEct = 0x47;
  EXPECT_EQ(libPrintReportFromECTByShift(1), kEctNotActive);
  EXPECT_EQ(libCloseArchiveECT(), kEctNotActive);
  EXPECT_EQ(libPrintReportActivizationECT(), kEctNotActive);
  ASSERT_EQ(libActivizationECT(), VAREK_OK);
  EXPECT_EQ(libActivizationECT(), kEctActive);
  ASSERT_EQ(libPrintReportActivizationECT(), VAREK_OK);

  ASSERT_EQ(libOpenDocument(1, 1, "Anna", 0), VAREK_OK);
  ASSERT_EQ(libAddPosition("Tea", "", 1000, 1999, 1, 0, 0), VAREK_OK);
  ASSERT_EQ(libAddPayment(0, 2000, ""), VAREK_OK);
  ASSERT_EQ(libCloseDocument(0).result, VAREK_OK);
  EXPECT_EQ(libCloseArchiveECT(), kShiftOpen);
  EXPECT_EQ(libPrintDocumentFromECT(1), VAREK_OK) << "the working shift is on the tape";
  ASSERT_EQ(libPrintZReport("", 0), VAREK_OK);

  printer.clearPaper();
  EXPECT_EQ(libPrintControlTapeFromECT(1), VAREK_OK);
  EXPECT_EQ(libPrintReportFromECTByShifts(1, 1, 1), VAREK_OK);
  EXPECT_NE(printer.paper().find("19.99"), std::string::npos) << printer.paper();
  EXPECT_EQ(libPrintDocumentFromECT(2), kNotOnEct);
  EXPECT_EQ(libPrintReportFromECTByShift(2), kNotOnEct);

  ReplyRecord totals = libGetInfoFromECT(13, 1, 1);
  ASSERT_EQ(totals.result, VAREK_OK);
  EXPECT_EQ(textOf(totals), replyFrame(0x78, 0, {"13", "1", "19.99", "0.00"}));
  ReplyRecord document = libGetInfoFromECT(11, 1, 0);
  EXPECT_EQ(textOf(document), replyFrame(0x78, 0, {"11", "1", "1"}));

  ASSERT_EQ(libCloseArchiveECT(), VAREK_OK);
  ReplyRecord state = libGetInfoFromECT(0, 0, 0);
  ASSERT_EQ(state.result, VAREK_OK);
  EXPECT_EQ(textOf(state).substr(6, 6), std::string("0\x1C") + "2\x1C" + "0\x1C");
}

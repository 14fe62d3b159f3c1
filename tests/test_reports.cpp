// Shift reports, fiscal-memory reports and fiscalization: the request of each
// command, its reading of the reply under batch mode, and the register's
// answers to them.
#include <gtest/gtest.h>

#include "VarekLib.h"
#include "support/command_cases.h"
#include "support/printer_fixture.h"

using namespace varek::test;

namespace {

const std::vector<CommandCase>& reportCases() {
  static const std::vector<CommandCase> cases = {
      {"X report", [] { return libPrintXReport("Cashier 1"); }, 0x20, {"Cashier 1"}},
      {"X report, empty text", [] { return libPrintXReport(""); }, 0x20, {""}},
      {"X report, null text", [] { return libPrintXReport(nullptr); }, 0x20, {""}},
      {"Z report, option 11", [] { return libPrintZReport("Z", 11); }, 0x21, {"Z", "11"}},
      {"Z report, option 0", [] { return libPrintZReport("Z", 0); }, 0x21, {"Z"}},
      {"Z report, option 10", [] { return libPrintZReport("Z", 10); }, 0x21, {"Z"}},
      {"Z report, option 12", [] { return libPrintZReport("Z", 12); }, 0x21, {"Z"}},
      {"Z report, option 267 (low byte 11)", [] { return libPrintZReport("Z", 267); }, 0x21, {"Z"}},
      {"emergency close",
       [] { return libEmergencyCloseShift(); },
       0xA0,
       {},
       ReadsReply::UnlessBatch},
      {"copy of last Z",
       [] { return libPrintCopyLastZReport(); },
       0xA1,
       {},
       ReadsReply::UnlessBatch},
      {"copy of fiscalization",
       [] { return libPrintCopyReportFiscalization(); },
       0xA3,
       {},
       ReadsReply::UnlessBatch},
      {"fiscalization",
       [] { return libFiscalization("ACME", "7701234567", "", "0001"); },
       0x60,
       {"ACME", "7701234567", "", "0001"}},
      {"fiscal report by shifts, kind 257",
       [] { return libPrintFiscalReportByShifts(257, 3, -1, "F"); },
       0x61,
       {"1", "3", "-1", "F"}},
      {"fiscal report by dates",
       [] { return libPrintFiscalReportByDate(0, 2014, 0x503, 14, 0x1F0C, "D"); },
       0x62,
       {"0", "050314", "311214", "D"}},
  };
  return cases;
}

class ReportCommands : public PrinterTest {};

}  // namespace

TEST_F(ReportCommands, EachCommandSendsItsFieldsInOrder) {
  expectRequestsOnWire(printer, reportCases());
}

TEST_F(ReportCommands, OnlyTheSimpleCommandsSkipTheReplyInBatchMode) {
  expectBatchBehaviour(printer, reportCases());
}

TEST_F(ReportCommands, WithoutAPortNothingIsSent) {
  expectNoPortRefusal(printer, reportCases());
}

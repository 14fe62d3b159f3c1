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

namespace {

constexpr int kDocumentOpen = 0x30;
constexpr int kShiftClosed = 0x40;
constexpr int kShiftOpen = 0x41;
constexpr int kNoZReport = 0x42;
constexpr int kNotFiscalized = 0x43;
constexpr int kReversedRange = 0x44;
constexpr int kBadFieldValue = 0x11;

void openSale() {
  ASSERT_EQ(libOpenDocument(1, 1, "Anna", 0), VAREK_OK);
  ASSERT_EQ(libAddPosition("Bread", "", 1000, 250, 1, 0, 0), VAREK_OK);
}

}  // namespace

TEST_F(ReportCommands, RegisterRefusesReportsThatDoNotFitItsState) {
  // A fresh register: no shift, no Z report yet, not fiscalized.
  EXPECT_EQ(libPrintZReport("", 0), kShiftClosed);
  EXPECT_EQ(libEmergencyCloseShift(), kShiftClosed);
  EXPECT_EQ(libPrintCopyLastZReport(), kNoZReport);
  EXPECT_EQ(libPrintCopyReportFiscalization(), kNotFiscalized);
  EXPECT_EQ(libPrintFiscalReportByShifts(0, 5, 4, ""), kReversedRange);
  EXPECT_EQ(libPrintFiscalReportByDate(0, 14, 0x0603, 14, 0x0503, ""), kReversedRange);
  EXPECT_EQ(libPrintFiscalReportByDate(0, 14, 0x0013, 14, 0x0503, ""), kBadFieldValue);
  EXPECT_EQ(libPrintXReport(""), VAREK_OK) << "an X report needs no open shift";

  // In the middle of a receipt nothing else is printed, and the shift cannot be re-registered.
  openSale();
  EXPECT_EQ(libPrintXReport(""), kDocumentOpen);
  EXPECT_EQ(libPrintZReport("", 0), kDocumentOpen);
  EXPECT_EQ(libFiscalization("A", "B", "C", "D"), kDocumentOpen);
  ASSERT_EQ(libCancelDocument(), VAREK_OK);
  EXPECT_EQ(libFiscalization("A", "B", "C", "D"), kShiftOpen);
}

TEST_F(ReportCommands, EmergencyCloseDropsTheOpenReceiptAndClosesTheShift) {
  openSale();
  printer.clearPaper();
  ASSERT_EQ(libEmergencyCloseShift(), VAREK_OK);
  EXPECT_NE(printer.paper().find("EMERGENCY"), std::string::npos);
  EXPECT_EQ(libAddPayment(0, 250, ""), 0x31) << "the receipt is gone";
  int shift[16] = {};
  ASSERT_EQ(getCountersAndRegisters(1, shift), VAREK_OK);
  EXPECT_EQ(shift[0], 2);
  ASSERT_EQ(libPrintFiscalReportByShifts(1, 1, 1, ""), VAREK_OK);
  EXPECT_NE(printer.paper().find("SHIFT 1 "), std::string::npos) << printer.paper();
}

TEST_F(ReportCommands, FiscalizationIsKeptAndCopied) {
  ASSERT_EQ(libFiscalization("ACME LTD", "7701234567", "", "OFFICE 12"), VAREK_OK);
  printer.clearPaper();
  ASSERT_EQ(libPrintCopyReportFiscalization(), VAREK_OK);
  const std::string paper = printer.paper();
  EXPECT_NE(paper.find("ACME LTD"), std::string::npos) << paper;
  EXPECT_NE(paper.find("OFFICE 12"), std::string::npos) << paper;
  printer.withModel([](varek::sim::RegisterModel& model) {
    EXPECT_TRUE(model.shift.fiscalized);
    EXPECT_EQ(model.shift.registration[1], "7701234567");
  });
}

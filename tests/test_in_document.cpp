// The other in-document commands: the exact request of each, which of them
// read their reply while batch mode is on, and the copy of a receipt, which
// opens a document without ever touching batch mode.
#include <gtest/gtest.h>

#include "VarekLib.h"
#include "protocol/session.h"
#include "support/command_cases.h"
#include "support/printer_fixture.h"

using namespace varek::test;
using varek::session;

namespace {

const std::vector<CommandCase>& inDocumentCases() {
  static const std::vector<CommandCase> cases = {
      {"print string",
       [] { return libPrintString("Thank you", 4); },
       0x40,
       {"Thank you", "4"},
       ReadsReply::UnlessBatch},
      {"print bar code",
       [] { return libPrintBarCode(1, 2, 3, 255, "4601234567890"); },
       0x41,
       {"1", "2", "3", "255", "4601234567890"},
       ReadsReply::UnlessBatch},
      {"cash in",
       [] { return libCashInOut("Float", 5); },
       0x48,
       {"Float", "0.05"},
       ReadsReply::UnlessBatch},
      {"requisites",
       [] { return libPrintRequsit(1, 2, "a", "", nullptr, "d"); },
       0x49,
       {"1", "2", "a", "", "", "d"},
       ReadsReply::UnlessBatch},
      {"sum to department",
       [] { return libRegisterSumToDepart(44, 1, 150); },
       0x50,
       {"44", "1", "1.50"}},
      {"tax sum", [] { return libRegisterTaxSum(2, 12345); }, 0x51, {"2", "123.45"}},
      {"copy of a receipt",
       [] { return libOpenCopyReceipt(1, 2, "Anna", 17, -3, 2024, 0x0A03, 0x1E0D09); },
       0x53,
       {"1", "2", "Anna", "17", "-3", "100324", "091330"}},
      {"copy of a receipt, year 2100",
       [] { return libOpenCopyReceipt(1, 2, "", 0, 0, 2100, 0x0A03, 0); },
       0x53,
       {"1", "2", "", "0", "0", "1003100", "000000"}},
      {"zero the drawer cash",
       [] { return libSetToZeroCashInCashDrawer(); },
       0x54,
       {},
       ReadsReply::UnlessBatch},
  };
  return cases;
}

class InDocumentCommands : public PrinterTest {};

TEST_F(InDocumentCommands, EachCommandSendsItsFieldsInOrder) {
  expectRequestsOnWire(printer, inDocumentCases());
}

TEST_F(InDocumentCommands, InBatchModeOnlyTheBatchAwareOnesSkipTheReply) {
  expectBatchBehaviour(printer, inDocumentCases());
}

TEST_F(InDocumentCommands, WithoutAPortNothingIsSentInEitherMode) {
  expectNoPortRefusal(printer, inDocumentCases());
  session().batchMode = 1;
  for (const auto& c : inDocumentCases()) EXPECT_EQ(c.call(), VAREK_ERR_NO_PORT) << c.name;
  session().batchMode = 0;
}

TEST_F(InDocumentCommands, AmountsFollowTheAmountPlacesInForce) {
  setAmountDecimalPlaces(0);
  printer.setReply(0x50, {});
  EXPECT_EQ(libRegisterSumToDepart(1, 1, 150), VAREK_OK);
  EXPECT_EQ(lastRequestFrame(), requestFrame(0x50, {"1", "1", "150.0"}));
  setAmountDecimalPlaces(2);
}

TEST_F(InDocumentCommands, CopyOfAReceiptLeavesBatchModeAlone) {
  printer.setReply(0x53, {});
  for (uint8_t flag : {uint8_t{0}, uint8_t{1}}) {
    session().batchMode = flag;
    EXPECT_EQ(libOpenCopyReceipt(0x10, 0x10, "", 0, 0, 2024, 0x0101, 0), VAREK_OK);
    EXPECT_EQ(session().batchMode, flag);
  }
  session().batchMode = 0;
}

}  // namespace

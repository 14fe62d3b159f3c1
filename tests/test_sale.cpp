// Whole sales through the library against the virtual printer's register:
// the receipts it prints, a sale in batch mode, and the register's refusals
// passed on to the caller unchanged.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "VarekLib.h"
#include "protocol/session.h"
#include "support/printer_fixture.h"

using namespace varek::test;
using varek::session;

namespace {

constexpr unsigned char kSale = 1;
constexpr unsigned char kReturn = 2;
constexpr unsigned char kCashIn = 3;
constexpr unsigned char kBatch = 0x10;
constexpr unsigned char kCash = 0;
constexpr unsigned char kCard = 1;

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

// The printed lines without the shift, date and time line, which depends on the clock.
std::vector<std::string> receiptWithoutClock(const std::string& paper) {
  std::vector<std::string> lines = linesOf(paper);
  if (lines.size() > 3) lines.erase(lines.begin() + 3);
  return lines;
}

std::vector<std::string> fieldsOf(const ReplyRecord& record) {
  std::vector<std::string> fields;
  std::string field;
  for (int i = 6; i < record.length - 3; ++i) {
    if (record.raw[i] == 0x1C) {
      fields.push_back(field);
      field.clear();
    } else {
      field.push_back(static_cast<char>(record.raw[i]));
    }
  }
  return fields;
}

class Sale : public PrinterTest {};

TEST_F(Sale, CompleteSalePrintsItsReceipt) {
  ASSERT_EQ(libOpenDocument(kSale, 1, "Anna", 0), VAREK_OK);
  EXPECT_EQ(libAddPosition("Milk", "4601234567890", 2000, 145, 1, 1, 0), VAREK_OK);
  EXPECT_EQ(libAddPosition("Bread", "", 1000, 210, 2, 2, 0), VAREK_OK);
  EXPECT_EQ(libAddDiscount(0, "Card", 10000), VAREK_OK);  // 10 %
  EXPECT_EQ(libSubTotal(), VAREK_OK);
  EXPECT_EQ(libCompareSum(450), VAREK_OK);
  EXPECT_EQ(libAddPayment(kCard, 200, "Card"), VAREK_OK);
  EXPECT_EQ(libAddPayment(kCash, 500, "Cash"), VAREK_OK);
  ReplyRecord closed = libCloseDocument(0);
  ASSERT_EQ(closed.result, VAREK_OK);
  EXPECT_EQ(fieldsOf(closed), (std::vector<std::string>{"1", "4.50", "2.50"}));

  const std::vector<std::string> expected = {
      "====================================",
      "       *** FISCAL RECEIPT ***",
      "SALE                           No. 1",
      "OPERATOR 1 Anna",
      "------------------------------------",
      "Milk",
      "  4601234567890",
      "  2.000 x 1.45                  2.90",
      "Bread",
      "  1.000 x 2.10                  2.10",
      "DISCOUNT Card 10.000%          -0.50",
      "SUBTOTAL                        4.50",
      "------------------------------------",
      "TOTAL                           4.50",
      "Card                            2.00",
      "Cash                            5.00",
      "CHANGE                          2.50",
      "====================================",
  };
  EXPECT_EQ(receiptWithoutClock(printer.paper()), expected);

  // The sale went into the registers: cash kept (5.00 - 2.50) and card by payment type.
  int values[16] = {};
  ASSERT_EQ(getCountersAndRegisters(3, values), VAREK_OK);
  EXPECT_EQ(values[0], 250);
  EXPECT_EQ(values[1], 200);
}

// In batch mode the in-document commands return at once and read nothing; the
// register carries them out silently and the close reports the outcome.
TEST_F(Sale, BatchModeSaleRunsEndToEnd) {
  ASSERT_EQ(libOpenDocument(kSale | kBatch, 1, "Anna", 0), VAREK_OK);
  ASSERT_EQ(session().batchMode, 1);
  EXPECT_EQ(libAddPosition("Apples", "", 1250, 160, 1, 1, 0), VAREK_OK);
  EXPECT_EQ(libAddPosition("Coffee", "", 1000, 799, 1, 1, 0), VAREK_OK);
  EXPECT_EQ(libPrintString("Thank you", 0), VAREK_OK);
  EXPECT_EQ(libSubTotal(), VAREK_OK);
  EXPECT_EQ(libGetStatusFlags().length, 0);  // a batch-aware query: nothing read
  EXPECT_EQ(libAddPayment(kCash, 1000, "Cash"), VAREK_OK);
  EXPECT_EQ(session().rxLength, 0);
  ReplyRecord closed = libCloseDocument(0);
  ASSERT_EQ(closed.result, VAREK_OK);
  EXPECT_EQ(session().batchMode, 0);
  EXPECT_EQ(fieldsOf(closed), (std::vector<std::string>{"1", "9.99", "0.01"}));

  const std::string paper = printer.paper();
  for (const char* line :
       {"  1.250 x 1.60                  2.00", "Thank you", "TOTAL                           9.99",
        "CHANGE                          0.01"})
    EXPECT_NE(paper.find(std::string(line) + "\n"), std::string::npos) << line;

  // Every command was answered once batch mode was over.
  EXPECT_EQ(libCutDocument(), VAREK_OK);
  EXPECT_EQ(session().rxLength, 9);
}

// A refusal inside a batch cannot reach the caller at once: the close reports
// it, the document stays open and can be cancelled; extended error
// information names the refused command.
TEST_F(Sale, BatchRefusalIsReportedByTheClose) {
  ASSERT_EQ(libOpenDocument(kSale | kBatch, 1, "", 0), VAREK_OK);
  EXPECT_EQ(libAddPayment(kCash, 100, ""), VAREK_OK);                  // refused: nothing sold yet
  EXPECT_EQ(libAddPosition("Tea", "", 1000, 100, 1, 1, 0), VAREK_OK);  // not carried out
  EXPECT_EQ(libCloseDocument(0).result, 0x3E);
  EXPECT_EQ(session().batchMode, 0);

  ReplyRecord error = libGetExErrorInfo(0);
  ASSERT_EQ(error.result, VAREK_OK);
  EXPECT_EQ(fieldsOf(error), (std::vector<std::string>{"0", "53", "COMMAND 47 REFUSED WITH 35"}));

  EXPECT_EQ(libCancelDocument(), VAREK_OK);
  EXPECT_NE(printer.paper().find("*** CANCELLED ***"), std::string::npos);
  EXPECT_EQ(printer.paper().find("Tea"), std::string::npos);
}

// The commands that always read their reply still do inside a batch-mode
// document, and the register answers them.
TEST_F(Sale, DepartmentAndTaxSumsAreAnsweredInBatchMode) {
  ASSERT_EQ(libOpenDocument(kSale | kBatch, 1, "", 0), VAREK_OK);
  EXPECT_EQ(libRegisterSumToDepart(3, 1, 1500), VAREK_OK);
  EXPECT_EQ(libRegisterTaxSum(1, 250), VAREK_OK);
  EXPECT_EQ(libRegisterTaxSum(9, 250), 0x11);  // no tax group 9: the refusal arrives
  EXPECT_EQ(libAddPayment(kCash, 1500, ""), VAREK_OK);
  EXPECT_EQ(libCloseDocument(0).result, VAREK_OK);
  EXPECT_NE(printer.paper().find("DEPARTMENT 3                   15.00\n"), std::string::npos);
}

// The register's refusals reach the caller unchanged, as 1 to 255.
TEST_F(Sale, RegisterRefusalsArePassedOn) {
  struct Step {
    const char* name;
    int (*call)();
    int expected;
  };
  const Step steps[] = {
      {"position without a document", [] { return libAddPosition("A", "", 1000, 1, 1, 0, 0); },
       0x31},
      {"unknown document kind", [] { return libOpenDocument(9, 1, "", 0); }, 0x32},
      {"open", [] { return libOpenDocument(kSale, 1, "", 0); }, VAREK_OK},
      {"second open", [] { return libOpenDocument(kSale, 1, "", 0); }, 0x30},
      {"payment before goods", [] { return libAddPayment(kCash, 100, ""); }, 0x35},
      {"cash in inside a sale", [] { return libCashInOut("", 100); }, 0x33},
      {"zero quantity", [] { return libAddPosition("A", "", 0, 100, 1, 0, 0); }, 0x11},
      {"price finer than a cent",
       [] {
         setAmountDecimalPlaces(3);
         int result = libAddPosition("A", "", 1000, 1005, 1, 0, 0);
         setAmountDecimalPlaces(2);
         return result;
       },
       0x11},
      {"position", [] { return libAddPosition("A", "", 1000, 300, 1, 0, 0); }, VAREK_OK},
      {"storno of goods not sold", [] { return libDelPosition("B", "", 1000, 300, 1, 0, 0); },
       0x37},
      {"discount above the total", [] { return libAddDiscount(1, "", 301); }, 0x38},
      {"wrong sum", [] { return libCompareSum(299); }, 0x39},
      {"close unpaid", [] { return libCloseDocument(0).result; }, 0x36},
      {"card above the total", [] { return libAddPayment(kCard, 301, ""); }, 0x3A},
      {"card", [] { return libAddPayment(kCard, 100, ""); }, VAREK_OK},
      {"goods after a payment", [] { return libAddPosition("A", "", 1000, 300, 1, 0, 0); }, 0x34},
      {"cash", [] { return libAddPayment(kCash, 200, ""); }, VAREK_OK},
      {"nothing due", [] { return libAddPayment(kCash, 1, ""); }, 0x3B},
      {"close", [] { return libCloseDocument(0).result; }, VAREK_OK},
      {"close again", [] { return libCloseDocument(0).result; }, 0x31},
  };
  for (const auto& step : steps) EXPECT_EQ(step.call(), step.expected) << step.name;
}

TEST_F(Sale, StornoAndCashDocumentsKeepTheDrawerRight) {
  // Cash in 10.00, sell 4.50 for cash, refund 2.00 in cash: 12.50 in the drawer.
  ASSERT_EQ(libOpenDocument(kCashIn, 1, "", 0), VAREK_OK);
  EXPECT_EQ(libCashInOut("Float", 1000), VAREK_OK);
  EXPECT_EQ(libCloseDocument(0).result, VAREK_OK);

  ASSERT_EQ(libOpenDocument(kSale, 1, "", 0), VAREK_OK);
  EXPECT_EQ(libAddPosition("A", "", 3000, 150, 1, 0, 0), VAREK_OK);
  EXPECT_EQ(libDelPosition("A", "", 1000, 150, 1, 0, 0), VAREK_OK);
  EXPECT_EQ(libAddPosition("B", "", 1000, 150, 1, 0, 0), VAREK_OK);
  EXPECT_EQ(libAddPayment(kCash, 450, ""), VAREK_OK);
  EXPECT_EQ(libCloseDocument(0).result, VAREK_OK);

  ASSERT_EQ(libOpenDocument(kReturn, 1, "", 0), VAREK_OK);
  EXPECT_EQ(libAddPosition("B", "", 1000, 200, 1, 0, 0), VAREK_OK);
  EXPECT_EQ(libAddPayment(kCash, 300, ""), 0x3A);  // no change on a refund
  EXPECT_EQ(libAddPayment(kCash, 200, ""), VAREK_OK);
  EXPECT_EQ(libCloseDocument(0).result, VAREK_OK);

  int64_t drawer = 0;
  printer.withModel(
      [&](varek::sim::RegisterModel& model) { drawer = model.document.cashInDrawer; });
  EXPECT_EQ(drawer, 1250);

  // Cash out of more than the drawer holds is refused.
  ASSERT_EQ(libOpenDocument(4, 1, "", 0), VAREK_OK);
  EXPECT_EQ(libCashInOut("", 1251), 0x3C);
  EXPECT_EQ(libCashInOut("", 1250), VAREK_OK);
  EXPECT_EQ(libCloseDocument(0).result, VAREK_OK);
}

// An open with bit 0x10 that the register refuses leaves the library in batch
// mode with no document; the next cancel or close leaves it again.
TEST_F(Sale, StrayBatchModeEndsWithTheNextCancel) {
  ASSERT_EQ(libOpenDocument(kSale, 1, "", 0), VAREK_OK);
  EXPECT_EQ(libOpenDocument(kSale | kBatch, 1, "", 0), 0x30);
  EXPECT_EQ(session().batchMode, 1);
  EXPECT_EQ(libCancelDocument(), VAREK_OK);
  EXPECT_EQ(session().batchMode, 0);
  EXPECT_EQ(libCancelDocument(), 0x31);
}

}  // namespace

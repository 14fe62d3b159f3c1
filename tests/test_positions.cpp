// Positions, discounts, margins, payments and the sum check: the exact
// request of each command, the decimal places that scale each value at the
// moment the request is built, and batch mode.
#include <gtest/gtest.h>

#include "VarekLib.h"
#include "support/command_cases.h"
#include "support/printer_fixture.h"

using namespace varek::test;

namespace {

const std::vector<CommandCase>& positionCases() {
  static const std::vector<CommandCase> cases = {
      {"add position",
       [] { return libAddPosition("Milk", "4601234567890", 250, 990, 1, 2, 3); },
       0x42,
       {"Milk", "4601234567890", "0.250", "9.90", "1", "2", "3"},
       ReadsReply::UnlessBatch},
      {"add position, null texts, 255",
       [] { return libAddPosition(nullptr, nullptr, 1000, 5, 255, 0, 0); },
       0x42,
       {"", "", "1.000", "0.05", "255", "0", "0"},
       ReadsReply::UnlessBatch},
      {"delete position",
       [] { return libDelPosition("Milk", "", 2000, 12345, 4, 5, 6); },
       0x43,
       {"Milk", "", "2.000", "123.45", "4", "5", "6"},
       ReadsReply::UnlessBatch},
      {"subtotal", [] { return libSubTotal(); }, 0x44, {}, ReadsReply::UnlessBatch},
      {"discount as a percentage",
       [] { return libAddDiscount(0, "Card", 500); },
       0x45,
       {"0", "Card", "0.500"},
       ReadsReply::UnlessBatch},
      {"discount as an amount",
       [] { return libAddDiscount(1, "Card", 500); },
       0x45,
       {"1", "Card", "5.00"},
       ReadsReply::UnlessBatch},
      {"margin as a percentage",
       [] { return libAddMargin(0, "Service", 10000); },
       0x46,
       {"0", "Service", "10.000"},
       ReadsReply::UnlessBatch},
      {"margin as an amount, kind 200",
       [] { return libAddMargin(200, "", 1); },
       0x46,
       {"200", "", "0.01"},
       ReadsReply::UnlessBatch},
      {"payment",
       [] { return libAddPayment(1, 450, "Card"); },
       0x47,
       {"1", "4.50", "Card"},
       ReadsReply::UnlessBatch},
      {"compare sum", [] { return libCompareSum(100); }, 0x52, {"1.00"}, ReadsReply::UnlessBatch},
  };
  return cases;
}

class PositionCommands : public PrinterTest {
 protected:
  void TearDown() override {
    setAmountDecimalPlaces(2);
    setQuantityDecimalPlaces(3);
    setPercentageDecimalPlaces(3);
  }

  // The request that `call` puts on the wire, answered with success.
  std::string requestOf(uint8_t code, const std::function<int()>& call) {
    printer.setReply(code, {});
    printer.clearTranscript();
    EXPECT_EQ(call(), VAREK_OK);
    printer.resetHandler(code);
    return textOf(printer.received());
  }
};

TEST_F(PositionCommands, EachCommandSendsItsFieldsInOrder) {
  expectRequestsOnWire(printer, positionCases());
}

TEST_F(PositionCommands, InBatchModeEachReturnsRightAfterWriting) {
  expectBatchBehaviour(printer, positionCases());
}

TEST_F(PositionCommands, WithoutAPortNothingIsSent) {
  expectNoPortRefusal(printer, positionCases());
}

TEST_F(PositionCommands, DecimalPlacesAreReadWhenTheRequestIsBuilt) {
  auto pay = [] { return libAddPayment(0, 150, "Cash"); };
  EXPECT_EQ(requestOf(0x47, pay), requestFrame(0x47, {"0", "1.50", "Cash"}));
  setAmountDecimalPlaces(0);
  EXPECT_EQ(requestOf(0x47, pay), requestFrame(0x47, {"0", "150.0", "Cash"}));
  setAmountDecimalPlaces(3);
  EXPECT_EQ(requestOf(0x47, pay), requestFrame(0x47, {"0", "0.150", "Cash"}));

  setQuantityDecimalPlaces(0);
  EXPECT_EQ(requestOf(0x42, [] { return libAddPosition("A", "", 2, 150, 1, 0, 0); }),
            requestFrame(0x42, {"A", "", "2.0", "0.150", "1", "0", "0"}));
}

// The kind byte that is sent is the one that picks the scale: a percentage
// follows the percentage places, an amount the amount places.
TEST_F(PositionCommands, DiscountKindPicksTheScale) {
  setPercentageDecimalPlaces(1);
  setAmountDecimalPlaces(4);
  EXPECT_EQ(requestOf(0x45, [] { return libAddDiscount(0, "", 55); }),
            requestFrame(0x45, {"0", "", "5.5"}));
  EXPECT_EQ(requestOf(0x46, [] { return libAddMargin(3, "", 55); }),
            requestFrame(0x46, {"3", "", "0.0055"}));
  // A kind of 256 from a wider integer arrives as 0: a percentage.
  auto margin =
      reinterpret_cast<int (*)(int, const char*, int)>(reinterpret_cast<void (*)()>(&libAddMargin));
  EXPECT_EQ(requestOf(0x46, [&] { return margin(256, "", 55); }),
            requestFrame(0x46, {"0", "", "5.5"}));
}

TEST_F(PositionCommands, DeviceErrorsArePassedOn) {
  // No document is open: the register refuses each of them.
  for (const auto& c : positionCases()) EXPECT_EQ(c.call(), 0x31) << c.name;
}

}  // namespace

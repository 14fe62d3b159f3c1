// Counters and registers against the virtual printer: every selector class,
// the selector check, the untouched array on failure and the register table's
// text in the exchange log.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "VarekLib.h"
#include "protocol/session.h"
#include "support/printer_fixture.h"

namespace {

using namespace varek::test;
namespace sim = varek::sim;

constexpr int kUntouched = 0x5A5A5A5A;

enum class Kind { Integers, Amounts, Table };

struct Selector {
  int type;
  Kind kind;
  int values;
};

const Selector kSelectors[] = {
    {1, Kind::Integers, 1},  {2, Kind::Integers, 1},  {3, Kind::Amounts, 16},
    {4, Kind::Integers, 16}, {5, Kind::Amounts, 16},  {6, Kind::Integers, 16},
    {7, Kind::Integers, 6},  {8, Kind::Amounts, 4},   {9, Kind::Amounts, 4},
    {10, Kind::Amounts, 6},  {11, Kind::Amounts, 6},  {12, Kind::Table, 12},
    {13, Kind::Amounts, 16}, {14, Kind::Amounts, 16},
};

// A reply for the selector with distinct values, and the values the parse must
// yield with two amount decimals.
struct Scripted {
  std::vector<std::string> fields;
  std::vector<int> expected;
};

Scripted scriptFor(const Selector& selector) {
  Scripted s;
  s.fields.push_back(std::to_string(selector.type));
  if (selector.kind == Kind::Table) s.fields.push_back("TAX REGISTERS");
  for (int i = 0; i < selector.values; ++i) {
    const bool amount =
        selector.kind == Kind::Amounts || (selector.kind == Kind::Table && i % 2 == 1);
    if (amount) {
      s.fields.push_back(std::to_string(i) + ".29");  // .29 is where a double loses a cent
      s.expected.push_back(i * 100 + 29);
    } else {
      s.fields.push_back(std::to_string(i * 37 - 100));
      s.expected.push_back(i * 37 - 100);
    }
  }
  return s;
}

std::vector<int> untouchedArray() {
  return std::vector<int>(16, kUntouched);
}

std::string readLog() {
  std::ifstream in("fr_varek.log", std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

// The register table's text is logged whatever the debug level, so every
// test runs in a directory of its own.
class Counters : public PrinterTest {
 protected:
  void TearDown() override { varek::session().batchMode = 0; }
  TempDir dir;
};

TEST_F(Counters, EverySelectorWritesItsValuesAndNoMore) {
  for (const auto& selector : kSelectors) {
    SCOPED_TRACE(selector.type);
    const Scripted script = scriptFor(selector);
    printer.setPayload(0x01, script.fields);
    std::vector<int> values = untouchedArray();
    ASSERT_EQ(getCountersAndRegisters(selector.type, values.data()), VAREK_OK);
    EXPECT_EQ(lastRequestFrame(), requestFrame(0x01, {std::to_string(selector.type)}));
    for (int i = 0; i < 16; ++i) {
      EXPECT_EQ(values[i], i < selector.values ? script.expected[i] : kUntouched) << i;
    }
  }
}

TEST_F(Counters, TheDeviceModelAnswersEverySelector) {
  for (const auto& selector : kSelectors) {
    std::vector<int> values = untouchedArray();
    EXPECT_EQ(getCountersAndRegisters(selector.type, values.data()), VAREK_OK) << selector.type;
    EXPECT_EQ(values[selector.values - 1] != kUntouched, true) << selector.type;
  }
}

TEST_F(Counters, AmountsFollowTheDecimalsInForce) {
  printer.setPayload(0x01, {"3", "12.5", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0",
                            "0", "0", "-0.999"});
  for (auto [decimals, first, last] : {std::tuple{2, 1250, -99}, {3, 12500, -999}, {0, 12, 0}}) {
    setAmountDecimalPlaces(decimals);
    std::vector<int> values = untouchedArray();
    ASSERT_EQ(getCountersAndRegisters(3, values.data()), VAREK_OK);
    EXPECT_EQ(values[0], first) << decimals;
    EXPECT_EQ(values[15], last) << decimals;
  }
}

TEST_F(Counters, SelectorsOutsideOneToFourteenSendNothing) {
  for (int type : {0, 15, -1, 256, 201}) {
    std::vector<int> values = untouchedArray();
    EXPECT_EQ(getCountersAndRegisters(type, values.data()), VAREK_ERR_COUNTER_TYPE) << type;
    EXPECT_EQ(values, untouchedArray());
  }
  // The next request is the first thing the device ever received.
  libGetStatusFlags();
  EXPECT_EQ(takeReceived(), requestFrame(0x00, {}));
}

TEST_F(Counters, FailuresLeaveTheArrayUntouched) {
  struct Case {
    const char* name;
    std::function<void(sim::VirtualPrinter&)> prepare;
    int expected;
  } cases[] = {
      {"sixteen fields for selector 4",
       [](sim::VirtualPrinter& p) { p.setPayload(0x01, std::vector<std::string>(16, "1")); },
       VAREK_ERR_FIELD_COUNT},
      {"eighteen fields for selector 4",
       [](sim::VirtualPrinter& p) { p.setPayload(0x01, std::vector<std::string>(18, "1")); },
       VAREK_ERR_FIELD_COUNT},
      {"a value beyond 32 bits in the last field",
       [](sim::VirtualPrinter& p) {
         std::vector<std::string> fields(17, "1");
         fields.back() = "2147483648";
         p.setPayload(0x01, fields);
       },
       VAREK_ERR_FIELD_COUNT},
      {"device error", [](sim::VirtualPrinter& p) { p.pushFault(sim::Fault::DeviceError(0x0B)); },
       11},
      {"wrong echo", [](sim::VirtualPrinter& p) { p.pushFault(sim::Fault::WrongSecondChar('2')); },
       VAREK_ERR_COMMAND_CHAR2},
  };
  for (const auto& c : cases) {
    c.prepare(printer);
    std::vector<int> values = untouchedArray();
    EXPECT_EQ(getCountersAndRegisters(4, values.data()), c.expected) << c.name;
    EXPECT_EQ(values, untouchedArray()) << c.name;
  }
  testing::internal::CaptureStdout();
  openPort("/nonexistent/varek-port", 115200);
  testing::internal::GetCapturedStdout();
  std::vector<int> values = untouchedArray();
  EXPECT_EQ(getCountersAndRegisters(4, values.data()), VAREK_ERR_NO_PORT);
  EXPECT_EQ(values, untouchedArray());
}

TEST_F(Counters, RegisterTableTextGoesToTheLogWhateverTheDebugLevel) {
  const Scripted script = scriptFor(kSelectors[11]);
  printer.setPayload(0x01, script.fields);
  std::vector<int> values = untouchedArray();
  ASSERT_EQ(getCountersAndRegisters(12, values.data()), VAREK_OK);
  EXPECT_EQ(readLog(), "TAX REGISTERS");

  // With logging on, the text runs on directly after the Read entry.
  setDebugLevel(1);
  ASSERT_EQ(getCountersAndRegisters(12, values.data()), VAREK_OK);
  auto logged = [](std::string frame) {
    frame.erase(std::remove(frame.begin(), frame.end(), '\0'), frame.end());
    return frame;
  };
  EXPECT_EQ(readLog(), "TAX REGISTERS\nSend:" + logged(requestFrame(0x01, {"12"})) + "\nRead:" +
                           logged(replyFrame(0x01, 0, script.fields)) + "TAX REGISTERS");
}

TEST_F(Counters, RawFormSendsAnySelectorAndReturnsTheReply) {
  printer.setPayload(0x01, {"x"});
  for (int type : {0, 200, 5}) {
    ReplyRecord record = libGetCountersAndRegisters(type);
    EXPECT_EQ(lastRequestFrame(), requestFrame(0x01, {std::to_string(type)}));
    EXPECT_EQ(record.result, VAREK_OK);
    EXPECT_EQ(textOf(record), replyFrame(0x01, 0, {"x"}));
  }
}

TEST_F(Counters, BatchModeStillReadsTheReply) {
  varek::session().batchMode = 1;
  printer.setPayload(0x01, {"2", "41"});
  EXPECT_EQ(libGetCountersAndRegisters(2).result, VAREK_OK);
  std::vector<int> values = untouchedArray();
  EXPECT_EQ(getCountersAndRegisters(2, values.data()), VAREK_OK);
  EXPECT_EQ(values[0], 41);
}

}  // namespace

// Device information queries against the virtual printer: request bytes, the
// raw reply records, the parsed forms, batch mode and the error paths.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "VarekLib.h"
#include "protocol/session.h"
#include "support/printer_fixture.h"

namespace {

using namespace varek::test;
namespace sim = varek::sim;

constexpr int kUntouched = 0x5A5A5A5A;

struct RawQuery {
  const char* name;
  std::function<ReplyRecord()> call;
  uint8_t code;
  std::vector<std::string> requestFields;
  std::vector<std::string> replyFields;
  bool batchAware;  // reads no reply while batch mode is on
};

const std::vector<RawQuery>& rawQueries() {
  static const std::vector<RawQuery> queries = {
      {"libGetStatusFlags", [] { return libGetStatusFlags(); }, 0x00, {}, {"1", "2", "3"}, true},
      {"libGetKKTInfo", [] { return libGetKKTInfo(7); }, 0x02, {"7"}, {"7", "VK1"}, false},
      {"libGetReceiptData", [] { return libGetReceiptData(2); }, 0x03, {"2"}, {"2", "9"}, false},
      {"libGetPrinterStatus", [] { return libGetPrinterStatus(); }, 0x04, {}, {"0", "0"}, true},
      {"libGetServiceInfo", [] { return libGetServiceInfo(1); }, 0x05, {"1"}, {"1", "x"}, false},
      {"libGetExErrorInfo", [] { return libGetExErrorInfo(3); }, 0x06, {"3"}, {"3", "0"}, false},
      {"libGetVarekDateTime",
       [] { return libGetVarekDateTime(); },
       0x13,
       {},
       {"010224", "235959"},
       true},
      {"libGetCashDrawerStatus", [] { return libGetCashDrawerStatus(); }, 0x81, {}, {"1"}, true},
  };
  return queries;
}

class DeviceQueries : public PrinterTest {
 protected:
  void TearDown() override { varek::session().batchMode = 0; }

  void setBatchMode() { varek::session().batchMode = 1; }

  // Leaves the session without a port, as after a failed openPort.
  void dropPort() {
    testing::internal::CaptureStdout();
    EXPECT_EQ(openPort("/nonexistent/varek-port", 115200), VAREK_ERR_PORT_OPEN);
    testing::internal::GetCapturedStdout();
  }
};

TEST_F(DeviceQueries, RawFormsSendTheirRequestAndReturnTheWholeReply) {
  for (const auto& query : rawQueries()) {
    SCOPED_TRACE(query.name);
    printer.setPayload(query.code, query.replyFields);
    ReplyRecord record = query.call();
    EXPECT_EQ(lastRequestFrame(), requestFrame(query.code, query.requestFields));
    EXPECT_EQ(record.result, VAREK_OK);
    EXPECT_EQ(textOf(record), replyFrame(query.code, 0, query.replyFields));
  }
}

TEST_F(DeviceQueries, RawFormsInBatchMode) {
  setBatchMode();
  size_t sent = 0;
  for (const auto& query : rawQueries()) {
    SCOPED_TRACE(query.name);
    printer.setPayload(query.code, query.replyFields);
    // A batch-aware query reads nothing, so the device is told to stay silent
    // rather than leave a reply in the line for the next query.
    if (query.batchAware) printer.pushFault(sim::Fault::Silence());
    ReplyRecord record = query.call();
    ASSERT_TRUE(waitForRequests(++sent));
    EXPECT_EQ(lastRequestFrame(), requestFrame(query.code, query.requestFields));
    EXPECT_EQ(record.result, VAREK_OK);
    EXPECT_EQ(textOf(record),
              query.batchAware ? std::string() : replyFrame(query.code, 0, query.replyFields));
  }
}

TEST_F(DeviceQueries, SelectorsTravelAsTheirLowByte) {
  struct Case {
    int selector;
    const char* field;
  } cases[] = {{0, "0"}, {255, "255"}, {256, "0"}, {-1, "255"}, {300, "44"}};
  for (const auto& c : cases) {
    libGetKKTInfo(c.selector);
    EXPECT_EQ(lastRequestFrame(), requestFrame(0x02, {c.field})) << c.selector;
    libGetExErrorInfo(c.selector);
    EXPECT_EQ(lastRequestFrame(), requestFrame(0x06, {c.field})) << c.selector;
  }
}

TEST_F(DeviceQueries, RawFormCarriesTheCodeAndTheBytesOfAFailedReply) {
  printer.pushFault(sim::Fault::DeviceError(0x3A));
  ReplyRecord record = libGetPrinterStatus();
  EXPECT_EQ(record.result, 58);
  EXPECT_EQ(textOf(record).substr(0, 6), std::string("\x02") + '\0' + "043A");

  dropPort();
  record = libGetServiceInfo(1);
  EXPECT_EQ(record.result, VAREK_ERR_NO_PORT);
  EXPECT_EQ(record.length, 0);
}

TEST_F(DeviceQueries, ParsedFormsDecodeTheReply) {
  printer.setPayload(0x00, {"4", "-5", "6"});
  int f1 = kUntouched, f2 = kUntouched, f3 = kUntouched;
  EXPECT_EQ(getStatusFlags(&f1, &f2, &f3), VAREK_OK);
  EXPECT_EQ(lastRequestFrame(), requestFrame(0x00, {}));
  EXPECT_EQ(f1, 4);
  EXPECT_EQ(f2, -5);
  EXPECT_EQ(f3, 6);

  printer.setPayload(0x02, {"3", "ABC"});
  char text[40];
  std::memset(text, '#', sizeof text);
  EXPECT_EQ(getKKTInfo(3, text), VAREK_OK);
  EXPECT_EQ(lastRequestFrame(), requestFrame(0x02, {"3"}));
  EXPECT_STREQ(text, "ABC");
  EXPECT_EQ(text[4], '#');  // nothing written after the terminating zero

  printer.setPayload(0x81, {"1"});
  int drawer = kUntouched;
  EXPECT_EQ(getCashDrawerStatus(&drawer), VAREK_OK);
  EXPECT_EQ(lastRequestFrame(), requestFrame(0x81, {}));
  EXPECT_EQ(drawer, 1);
}

TEST_F(DeviceQueries, ParsedFormsAnswerFromTheDefaultModel) {
  int f1 = kUntouched, f2 = kUntouched, f3 = kUntouched, drawer = kUntouched;
  char text[32];
  EXPECT_EQ(getStatusFlags(&f1, &f2, &f3), VAREK_OK);
  EXPECT_EQ(getCashDrawerStatus(&drawer), VAREK_OK);
  EXPECT_EQ(getKKTInfo(0, text), VAREK_OK);
  EXPECT_NE(f1, kUntouched);
  EXPECT_NE(drawer, kUntouched);
  EXPECT_GT(std::strlen(text), 0u);
}

// Every failure leaves every output as it was: no port, a device error, a
// reply with the wrong number of fields, a value beyond 32 bits, a bad reply.
TEST_F(DeviceQueries, FailuresLeaveTheOutputsUntouched) {
  enum class Failure { DeviceError, FieldCount, OutOfRange, Checksum, NoPort };
  struct Case {
    Failure failure;
    int expected;
  } cases[] = {{Failure::DeviceError, 11},
               {Failure::FieldCount, VAREK_ERR_FIELD_COUNT},
               {Failure::OutOfRange, VAREK_ERR_FIELD_COUNT},
               {Failure::Checksum, VAREK_ERR_CHECKSUM},
               {Failure::NoPort, VAREK_ERR_NO_PORT}};
  auto prepare = [&](Failure failure, uint8_t code, std::vector<std::string> good) {
    printer.setPayload(code, good);
    if (failure == Failure::DeviceError) printer.pushFault(sim::Fault::DeviceError(0x0B));
    if (failure == Failure::Checksum) printer.pushFault(sim::Fault::BadChecksum());
    if (failure == Failure::FieldCount) {
      good.push_back("extra");
      printer.setPayload(code, good);
    }
    if (failure == Failure::OutOfRange) {
      good.back() = "4294967296";
      printer.setPayload(code, good);
    }
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.failure));
    if (c.failure == Failure::NoPort) dropPort();
    int f1 = kUntouched, f2 = kUntouched, f3 = kUntouched, drawer = kUntouched;
    char text[40];
    std::memset(text, '#', sizeof text);

    prepare(c.failure, 0x00, {"1", "2", "3"});
    EXPECT_EQ(getStatusFlags(&f1, &f2, &f3), c.expected);
    prepare(c.failure, 0x02, {"1", "2"});
    // Out of range does not apply to a text; the reply is then good.
    const int kktExpected = c.failure == Failure::OutOfRange ? VAREK_OK : c.expected;
    EXPECT_EQ(getKKTInfo(1, text), kktExpected);
    prepare(c.failure, 0x81, {"1"});
    EXPECT_EQ(getCashDrawerStatus(&drawer), c.expected);

    EXPECT_EQ(f1, kUntouched);
    EXPECT_EQ(f2, kUntouched);
    EXPECT_EQ(f3, kUntouched);
    EXPECT_EQ(drawer, kUntouched);
    if (kktExpected != VAREK_OK) {
      EXPECT_EQ(std::string(text, sizeof text), std::string(40, '#'));
    }
  }
}

// In batch mode the status flags and drawer queries write their request and
// read nothing; they report 1015 rather than the values of an older reply.
TEST_F(DeviceQueries, BatchModeParsedQueriesReportThatNoReplyWasRead) {
  printer.setPayload(0x00, {"1", "2", "3"});
  int f1 = 0, f2 = 0, f3 = 0;
  ASSERT_EQ(getStatusFlags(&f1, &f2, &f3), VAREK_OK);  // leaves a good three-field payload

  setBatchMode();
  printer.setPayload(0x00, {"7", "8", "9"});
  printer.pushFault(sim::Fault::Silence());
  printer.pushFault(sim::Fault::Silence());
  f1 = f2 = f3 = kUntouched;
  int drawer = kUntouched;
  EXPECT_EQ(getStatusFlags(&f1, &f2, &f3), VAREK_ERR_BATCH_NO_REPLY);
  EXPECT_EQ(getCashDrawerStatus(&drawer), VAREK_ERR_BATCH_NO_REPLY);
  ASSERT_TRUE(waitForRequests(3));
  auto requests = printer.requests();
  EXPECT_EQ(textOf(requests[1].frame), requestFrame(0x00, {}));
  EXPECT_EQ(textOf(requests[2].frame), requestFrame(0x81, {}));
  EXPECT_EQ(f1, kUntouched);
  EXPECT_EQ(f2, kUntouched);
  EXPECT_EQ(f3, kUntouched);
  EXPECT_EQ(drawer, kUntouched);

  // getKKTInfo always reads its reply, batch mode or not.
  printer.setPayload(0x02, {"1", "BATCH"});
  char text[32] = {};
  EXPECT_EQ(getKKTInfo(1, text), VAREK_OK);
  EXPECT_STREQ(text, "BATCH");

  // Without a port the port error comes first.
  dropPort();
  setBatchMode();
  EXPECT_EQ(getStatusFlags(&f1, &f2, &f3), VAREK_ERR_NO_PORT);
}

}  // namespace

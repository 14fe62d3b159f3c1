// Request frame encoding: the bytes each encoder appends and the sealed frame.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <string>

#include "VarekLib.h"
#include "protocol/exchange.h"
#include "protocol/request.h"
#include "protocol/session.h"

using namespace varek;

namespace {

std::string fieldsOfRequest() {
  const SessionState& s = session();
  return std::string(reinterpret_cast<const char*>(s.txFrame) + 8,
                     static_cast<size_t>(s.txLength) - 8);
}

std::string encodeOne(const std::function<void()>& append) {
  beginRequest(0x10);
  append();
  return fieldsOfRequest();
}

const std::string FSs(1, static_cast<char>(FS));

struct FieldCase {
  const char* name;
  std::function<void()> append;
  std::string expected;
};

}  // namespace

TEST(RequestEncoding, FieldsAreEncodedExactly) {
  const FieldCase cases[] = {
      {"byte 300 keeps the low 8 bits", [] { appendByteField(300); }, "44"},
      {"byte 256", [] { appendByteField(256); }, "0"},
      {"byte -1", [] { appendByteField(-1); }, "255"},
      {"byte 65 is decimal text", [] { appendByteField(65); }, "65"},
      {"int -5", [] { appendIntField(-5); }, "-5"},
      {"int min", [] { appendIntField(INT_MIN); }, "-2147483648"},
      {"text", [] { appendTextField("Milk 1L"); }, "Milk 1L"},
      {"empty text", [] { appendTextField(""); }, ""},
      {"null text is an empty field", [] { appendTextField(nullptr); }, ""},
      {"fixed 12345/2", [] { appendFixedField(12345, 2); }, "123.45"},
      {"fixed 5/2", [] { appendFixedField(5, 2); }, "0.05"},
      {"fixed 100/2", [] { appendFixedField(100, 2); }, "1.00"},
      {"fixed 0/3", [] { appendFixedField(0, 3); }, "0.000"},
      {"fixed 1/3", [] { appendFixedField(1, 3); }, "0.001"},
      {"fixed 123456/3", [] { appendFixedField(123456, 3); }, "123.456"},
      {"fixed 50/0", [] { appendFixedField(50, 0); }, "50.0"},
      {"fixed 7/-2", [] { appendFixedField(7, -2); }, "7.0"},
      {"fixed -5/2 sign in front", [] { appendFixedField(-5, 2); }, "-0.05"},
      {"fixed -12345/2", [] { appendFixedField(-12345, 2); }, "-123.45"},
      {"fixed -7/0", [] { appendFixedField(-7, 0); }, "-7.0"},
      {"fixed min/2", [] { appendFixedField(INT_MIN, 2); }, "-21474836.48"},
      {"fixed 10 decimals", [] { appendFixedField(123, 10); }, "0.0000000123"},
      {"fixed 12 decimals max", [] { appendFixedField(INT_MAX, 12); }, "0.002147483647"},
      {"date 2014-03-05", [] { appendDateField(2014, 0x0503); }, "050314"},
      {"date 31.12.2009", [] { appendDateField(2009, (31 << 8) | 12); }, "311209"},
      {"date year 2000", [] { appendDateField(2000, 0x0101); }, "010100"},
      {"date year 14", [] { appendDateField(14, 0x0503); }, "050314"},
      {"date year 2100 three digits", [] { appendDateField(2100, 0x0A03); }, "1003100"},
      {"date high bits ignored", [] { appendDateField(2024, 0x7FFF0A03); }, "100324"},
      {"time 09:05:07", [] { appendTimeField(9 | 5 << 8 | 7 << 16); }, "090507"},
      {"time 0", [] { appendTimeField(0); }, "000000"},
      {"time top byte ignored", [] { appendTimeField(static_cast<int32_t>(0xFF1E0D09)); },
       "091330"},
  };
  for (const auto& c : cases) EXPECT_EQ(encodeOne(c.append), c.expected + FSs) << c.name;
}

TEST(RequestEncoding, EmptyRequestIsElevenBytesWithChecksum) {
  beginRequest(0x32);
  sealRequest();
  const SessionState& s = session();
  ASSERT_EQ(s.txLength, 11);
  const uint8_t expectedHead[] = {STX, 'Q', 'Z', 'K', 'V', 0x00, '3', '2', ETX};
  EXPECT_EQ(0, std::memcmp(s.txFrame, expectedHead, sizeof expectedHead));
  uint8_t sum = 0;
  for (int i = 1; i <= 8; ++i) sum ^= s.txFrame[i];
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02X", sum);
  EXPECT_EQ(s.txFrame[9], digits[0]);
  EXPECT_EQ(s.txFrame[10], digits[1]);
}

TEST(RequestEncoding, CommandCodeAndChecksumAreUpperCaseWithLeadingZero) {
  beginRequest(0x9A);
  sealRequest();
  const SessionState& s = session();
  EXPECT_EQ(s.txFrame[6], '9');
  EXPECT_EQ(s.txFrame[7], 'A');
  // Find a request whose checksum is below 0x10 and check its leading zero.
  for (int value = 0; value < 256; ++value) {
    beginRequest(0x00);
    appendByteField(value);
    sealRequest();
    if (frameChecksum(s.txFrame + 1, s.txLength - 3) < 0x10) {
      EXPECT_EQ(s.txFrame[s.txLength - 2], '0');
      return;
    }
  }
  FAIL() << "no request with a checksum below 0x10 found";
}

TEST(RequestEncoding, BeginRequestClearsThePreviousRequest) {
  beginRequest(0x40);
  appendTextField(std::string(100, 'x').c_str());
  sealRequest();
  beginRequest(0x32);
  const SessionState& s = session();
  EXPECT_EQ(s.txLength, 8);
  for (size_t i = 8; i < kFrameCapacity; ++i) ASSERT_EQ(s.txFrame[i], 0) << "offset " << i;
}

// A request whose fields do not fit the frame is refused with 1012: nothing is
// written past the buffer and nothing goes to the port.
TEST(RequestEncoding, OversizedRequestIsRefusedNotCut) {
  const std::string fits(kFrameCapacity - 11 - 1, 'a');  // leaves room for FS and the trailer
  beginRequest(0x40);
  appendTextField(fits.c_str());
  sealRequest();
  EXPECT_FALSE(requestOverflowed());
  EXPECT_EQ(session().txLength, static_cast<int32_t>(kFrameCapacity));

  const std::string tooLong(kFrameCapacity - 11, 'a');
  beginRequest(0x40);
  appendTextField(tooLong.c_str());
  appendByteField(1);
  sealRequest();
  EXPECT_TRUE(requestOverflowed());
  EXPECT_EQ(session().txLength, 8);
  EXPECT_EQ(exchange(), VAREK_ERR_FRAME_TOO_LONG);
  EXPECT_EQ(simpleCommand(0x32), VAREK_ERR_NO_PORT) << "the next request starts afresh";

  beginRequest(0x40);
  appendTextField(tooLong.c_str());
  sealRequest();
  ReplyRecord record = makeReplyRecord(exchange());
  EXPECT_EQ(record.result, VAREK_ERR_FRAME_TOO_LONG);
  EXPECT_EQ(record.length, 0);

  beginRequest(0x40);
  appendFixedField(1, 100000);  // a field that alone is larger than the frame
  sealRequest();
  EXPECT_EQ(exchange(), VAREK_ERR_FRAME_TOO_LONG);
}

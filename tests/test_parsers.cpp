// Reply payload parsers: field counting, conversions, the 32-bit bound, the
// 31-character field bound and what is written before a failure.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "VarekLib.h"
#include "protocol/parsers.h"
#include "protocol/session.h"
#include "support/printer_fixture.h"

namespace {

using varek::session;
using varek::test::TempDir;

constexpr int32_t kUntouched = 0x5A5A5A5A;

void setPayload(const std::string& bytes) {
  std::memcpy(session().payload, bytes.data(), bytes.size());
  session().payloadLength = static_cast<int32_t>(bytes.size());
}

std::string fields(std::initializer_list<std::string> texts) {
  std::string payload;
  for (const auto& text : texts) payload += text + '\x1C';
  return payload;
}

std::string readFile(const char* name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

class Parsers : public ::testing::Test {
 protected:
  void SetUp() override {
    session().amountDecimals = 2;
    session().debugLevel = 0;
    setPayload("");
  }
};

TEST(IntegerText, ReadsLikeAtoiAndRefusesWhatDoesNotFit) {
  struct Case {
    const char* text;
    std::optional<int32_t> expected;
  } cases[] = {
      {"0", 0},
      {"42", 42},
      {"  -42abc", -42},
      {"\t+7", 7},
      {"", 0},
      {"abc", 0},
      {"- 5", 0},
      {"12.9", 12},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"000000000000000000000000000042", 42},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"4294967296", std::nullopt},
      {"99999999999999999999999999999", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(varek::parseIntegerText(c.text), c.expected) << '"' << c.text << '"';
  }
}

TEST(AmountText, ExactDecimalsTruncatedTowardZero) {
  struct Case {
    const char* text;
    int32_t decimals;
    std::optional<int32_t> expected;
  } cases[] = {
      {"0.29", 2, 29},  // through a double this is 28.999... and loses a cent
      {"12.5", 2, 1250},
      {"-3.999", 2, -399},
      {"3.999", 2, 399},
      {"-0.01", 2, -1},
      {"-0.001", 2, 0},
      {".5", 2, 50},
      {"100", 2, 10000},
      {"7", 0, 7},
      {"7.9", 0, 7},
      {"7", 3, 7000},
      {"1.999", -1, 1},
      {"  +1.5xyz", 2, 150},
      {"1.2.3", 2, 120},
      {"abc", 2, 0},
      {"", 2, 0},
      {"21474836.47", 2, INT32_MAX},
      {"-21474836.48", 2, INT32_MIN},
      {"21474836.48", 2, std::nullopt},
      {"99999999999999999999", 2, std::nullopt},
      {"1", 10, std::nullopt},
      {"0", 12, 0},
      {"0.000000000000000000000000000", INT32_MAX, 0},
      {"0.000000000000000000000000001", INT32_MAX, std::nullopt},
      {"1", INT32_MAX, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(varek::parseAmountText(c.text, c.decimals), c.expected)
        << '"' << c.text << "\" with " << c.decimals << " decimals";
  }
}

TEST(AmountText, EveryCentOfOrdinaryAmountsIsExact) {
  for (int32_t cents = 0; cents < 200000; ++cents) {
    char text[32];
    std::snprintf(text, sizeof text, "%d.%02d", cents / 100, cents % 100);
    ASSERT_EQ(varek::parseAmountText(text, 2), cents) << text;
    std::snprintf(text, sizeof text, "-%d.%02d", cents / 100, cents % 100);
    ASSERT_EQ(varek::parseAmountText(text, 2), -cents) << text;
  }
}

TEST_F(Parsers, SingleIntCountsFieldsAndWritesAsItGoes) {
  struct Case {
    std::string payload;
    int32_t result;
    int32_t value;
  } cases[] = {
      {fields({"1"}), VAREK_OK, 1},
      {fields({"1", "2"}), VAREK_ERR_FIELD_COUNT, 1},  // written before the count failed
      {"12", VAREK_ERR_FIELD_COUNT, kUntouched},       // no FS: no field at all
      {"", VAREK_ERR_FIELD_COUNT, kUntouched},
      {fields({"5"}) + "9", VAREK_OK, 5},  // bytes after the last FS form no field
      {fields({"4294967296"}), VAREK_ERR_FIELD_COUNT, kUntouched},
  };
  for (const auto& c : cases) {
    setPayload(c.payload);
    int32_t value = kUntouched;
    EXPECT_EQ(varek::parseSingleInt(&value), c.result) << c.payload;
    EXPECT_EQ(value, c.value) << c.payload;
  }
}

TEST_F(Parsers, ThreeIntsTakeEmptyFieldsAsZero) {
  setPayload(fields({"5", "", "7"}));
  int32_t a = kUntouched, b = kUntouched, c = kUntouched;
  EXPECT_EQ(varek::parseThreeInts(&a, &b, &c), VAREK_OK);
  EXPECT_EQ(a, 5);
  EXPECT_EQ(b, 0);
  EXPECT_EQ(c, 7);

  setPayload(fields({"1", "2", "3", "4"}));
  EXPECT_EQ(varek::parseThreeInts(&a, &b, &c), VAREK_ERR_FIELD_COUNT);
  setPayload(fields({"1", "99999999999", "3"}));
  a = b = c = kUntouched;
  EXPECT_EQ(varek::parseThreeInts(&a, &b, &c), VAREK_ERR_FIELD_COUNT);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, kUntouched);
  EXPECT_EQ(c, kUntouched);
}

TEST_F(Parsers, SecondTextIsCutToTheFieldBound) {
  char text[40];
  std::memset(text, '#', sizeof text);
  setPayload(fields({"A", "XYZ"}));
  EXPECT_EQ(varek::parseSecondText(text), VAREK_OK);
  EXPECT_STREQ(text, "XYZ");

  // A 40-character field is cut to 31 characters, still counts as one field,
  // and nothing past the caller's 32 bytes is touched.
  std::memset(text, '#', sizeof text);
  setPayload(fields({"A", std::string(40, 'L'), "tail"}));
  EXPECT_EQ(varek::parseSecondText(text), VAREK_ERR_FIELD_COUNT);
  EXPECT_EQ(std::string(text), std::string(31, 'L'));
  EXPECT_EQ(std::string(text + 32, 8), std::string(8, '#'));

  setPayload(fields({"A", std::string(40, 'L')}));
  EXPECT_EQ(varek::parseSecondText(text), VAREK_OK);
}

TEST_F(Parsers, LongNumericFieldsAreCutNotOverrun) {
  // 31 zeros then digits: the digits past the bound are dropped, leaving 0.
  setPayload(fields({std::string(31, '0') + "123456"}));
  int32_t value = kUntouched;
  EXPECT_EQ(varek::parseSingleInt(&value), VAREK_OK);
  EXPECT_EQ(value, 0);
  setPayload(fields({std::string(29, ' ') + "42" + "999999999"}));
  EXPECT_EQ(varek::parseSingleInt(&value), VAREK_OK);
  EXPECT_EQ(value, 42);
}

TEST_F(Parsers, ValueListByKind) {
  int32_t values[6];
  auto reset = [&] { std::fill(std::begin(values), std::end(values), kUntouched); };

  reset();
  setPayload(fields({"0", "1.5", "2", "-0.01", "100"}));
  EXPECT_EQ(varek::parseValueList(values, 4, 2), VAREK_OK);
  EXPECT_EQ(values[0], 150);
  EXPECT_EQ(values[1], 200);
  EXPECT_EQ(values[2], -1);
  EXPECT_EQ(values[3], 10000);
  EXPECT_EQ(values[4], kUntouched);

  reset();
  setPayload(fields({"0", "1.5", "2", "-0.01", "100", "6"}));
  EXPECT_EQ(varek::parseValueList(values, 4, 2), VAREK_ERR_FIELD_COUNT);
  EXPECT_EQ(values[3], 10000);
  EXPECT_EQ(values[4], kUntouched);

  reset();
  setPayload(fields({"0", "1.5", "2"}));
  EXPECT_EQ(varek::parseValueList(values, 2, 1), VAREK_OK);
  EXPECT_EQ(values[0], 1);
  EXPECT_EQ(values[1], 2);

  reset();
  EXPECT_EQ(varek::parseValueList(values, 2, 3), VAREK_OK);  // unknown kind: nothing written
  EXPECT_EQ(values[0], kUntouched);

  setPayload(fields({"0", "21474836.48"}));
  EXPECT_EQ(varek::parseValueList(values, 1, 2), VAREK_ERR_FIELD_COUNT);
  EXPECT_EQ(values[0], kUntouched);

  setPayload("");
  EXPECT_EQ(varek::parseValueList(values, 0, 1), VAREK_ERR_FIELD_COUNT);
  EXPECT_EQ(varek::parseValueList(values, -1, 1), VAREK_ERR_FIELD_COUNT);
}

TEST_F(Parsers, AmountsFollowTheDecimalsInForce) {
  int32_t value = kUntouched;
  setPayload(fields({"x", "7"}));
  for (auto [decimals, expected] : {std::pair{0, 7}, {2, 700}, {3, 7000}, {-2, 7}}) {
    session().amountDecimals = decimals;
    EXPECT_EQ(varek::parseValueList(&value, 1, 2), VAREK_OK);
    EXPECT_EQ(value, expected) << decimals;
  }
}

TEST_F(Parsers, RegisterTableAlternatesAndLogsItsTextWhateverTheDebugLevel) {
  TempDir dir;
  int32_t values[16];
  std::fill(std::begin(values), std::end(values), kUntouched);
  char text[32] = {};
  setPayload(fields({"12", "TAX REGISTERS", "1", "10.5", "2", "20.25", "3", "30", "4", "-0.01", "5",
                     "0.29", "6", "7.999"}));
  ASSERT_EQ(varek::parseRegisterTable(values, text), VAREK_OK);
  EXPECT_STREQ(text, "TAX REGISTERS");
  const int32_t expected[12] = {1, 1050, 2, 2025, 3, 3000, 4, -1, 5, 29, 6, 799};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(values[i], expected[i]) << i;
  EXPECT_EQ(values[12], kUntouched);
  EXPECT_EQ(readFile("fr_varek.log"), "TAX REGISTERS");

  // Thirteen fields: the text is still logged, the result is 1010.
  setPayload(fields({"12", "AGAIN", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"}));
  EXPECT_EQ(varek::parseRegisterTable(values, text), VAREK_ERR_FIELD_COUNT);
  EXPECT_EQ(readFile("fr_varek.log"), "TAX REGISTERSAGAIN");
}

}  // namespace

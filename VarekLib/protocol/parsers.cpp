#include "protocol/parsers.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

#include "VarekLib.h"
#include "protocol/log.h"
#include "protocol/request.h"
#include "protocol/session.h"

namespace varek {

namespace {

bool isBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

bool fitsInt32(int64_t value) {
  return value >= std::numeric_limits<int32_t>::min() &&
         value <= std::numeric_limits<int32_t>::max();
}

// Scans the payload field by field, handing each field's number and text to
// `rule`, which returns false to stop with 1010 (a value that does not fit).
// Returns 0 when the count of FS bytes equals `expected`, else 1010. Bytes
// after the last FS form no field. An empty payload is always 1010.
template <typename FieldRule>
int32_t scanFields(int32_t expected, const FieldRule& rule) {
  const SessionState& s = session();
  if (s.payloadLength <= 0) return VAREK_ERR_FIELD_COUNT;
  int32_t number = 0;
  char field[kFieldCapacity + 1] = {};
  size_t fieldLength = 0;
  const int32_t length = std::min(s.payloadLength, static_cast<int32_t>(kFrameCapacity));
  for (int32_t i = 0; i < length; ++i) {
    const uint8_t byte = s.payload[i];
    if (byte != FS) {
      if (fieldLength < kFieldCapacity) field[fieldLength++] = static_cast<char>(byte);
      continue;
    }
    if (!rule(number, std::string_view(field, fieldLength))) return VAREK_ERR_FIELD_COUNT;
    std::memset(field, 0, sizeof field);
    fieldLength = 0;
    ++number;
  }
  return number == expected ? VAREK_OK : VAREK_ERR_FIELD_COUNT;
}

bool storeInteger(std::string_view text, int32_t* out) {
  auto value = parseIntegerText(text);
  if (!value) return false;
  *out = *value;
  return true;
}

bool storeAmount(std::string_view text, int32_t* out) {
  auto value = parseAmountText(text, session().amountDecimals);
  if (!value) return false;
  *out = *value;
  return true;
}

void copyText(std::string_view text, char* out) {
  std::memcpy(out, text.data(), text.size());
  out[text.size()] = '\0';
}

}  // namespace

std::optional<int32_t> parseIntegerText(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > int64_t{1} << 32) return std::nullopt;
  }
  int64_t value = negative ? -magnitude : magnitude;
  if (!fitsInt32(value)) return std::nullopt;
  return static_cast<int32_t>(value);
}

std::optional<int32_t> parseAmountText(std::string_view text, int32_t decimals) {
  size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const int32_t places = decimals > 0 ? decimals : 0;
  constexpr int64_t kLimit = int64_t{1} << 32;
  int64_t units = 0;
  auto addDigit = [&](char c) {
    units = units * 10 + (c - '0');
    return units <= kLimit;
  };
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    if (!addDigit(text[i])) return std::nullopt;
  int32_t fractionDigits = 0;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
      if (fractionDigits == places) continue;  // beyond the decimals: truncated
      if (!addDigit(text[i])) return std::nullopt;
      ++fractionDigits;
    }
  }
  for (; fractionDigits < places; ++fractionDigits) {
    if (units == 0) break;  // zero stays zero however many places follow
    units *= 10;
    if (units > kLimit) return std::nullopt;
  }
  int64_t value = negative ? -units : units;
  if (!fitsInt32(value)) return std::nullopt;
  return static_cast<int32_t>(value);
}

int32_t parseSingleInt(int32_t* value) {
  return scanFields(
      1, [&](int32_t n, std::string_view text) { return n != 0 || storeInteger(text, value); });
}

int32_t parseSecondText(char* text) {
  return scanFields(2, [&](int32_t n, std::string_view field) {
    if (n == 1) copyText(field, text);
    return true;
  });
}

int32_t parseThreeInts(int32_t* first, int32_t* second, int32_t* third) {
  int32_t* outputs[] = {first, second, third};
  return scanFields(
      3, [&](int32_t n, std::string_view text) { return n > 2 || storeInteger(text, outputs[n]); });
}

int32_t parseValueList(int32_t* values, int32_t count, int32_t kind) {
  if (count < 0 || count >= static_cast<int32_t>(kFrameCapacity)) return VAREK_ERR_FIELD_COUNT;
  return scanFields(count + 1, [&](int32_t n, std::string_view text) {
    if (n < 1 || n > count) return true;
    if (kind == static_cast<int32_t>(ValueKind::Integer)) return storeInteger(text, &values[n - 1]);
    if (kind == static_cast<int32_t>(ValueKind::Amount)) return storeAmount(text, &values[n - 1]);
    return true;
  });
}

int32_t parseRegisterTable(int32_t* values, char* text) {
  return scanFields(14, [&](int32_t n, std::string_view field) {
    if (n == 1) {
      copyText(field, text);
      logText(text);  // recorded whatever the debug level
      return true;
    }
    if (n < 2 || n > 13) return true;
    return n % 2 == 0 ? storeInteger(field, &values[n - 2]) : storeAmount(field, &values[n - 2]);
  });
}

}  // namespace varek

// Positions, discounts, margins, payments and the sum check: the sale content
// of an open document. All are batch-aware. Quantities, amounts and
// percentages are scaled by the session's decimal places in force when the
// request is built.
#include <cstdint>

#include "VarekLib.h"
#include "protocol/exchange.h"
#include "protocol/request.h"
#include "protocol/session.h"

namespace varek {

namespace {

constexpr uint8_t kAddPosition = 0x42;
constexpr uint8_t kDelPosition = 0x43;
constexpr uint8_t kSubTotal = 0x44;
constexpr uint8_t kAddDiscount = 0x45;
constexpr uint8_t kAddMargin = 0x46;
constexpr uint8_t kAddPayment = 0x47;
constexpr uint8_t kCompareSum = 0x52;

// Adding and deleting (storno) a position send the same fields.
int32_t positionCommand(uint8_t code, const char* text1, const char* text2, int32_t quantity,
                        int32_t amount, uint8_t byteParam1, uint8_t byteParam2,
                        uint8_t byteParam3) {
  const SessionState& s = session();
  beginRequest(code);
  appendTextField(text1);
  appendTextField(text2);
  appendFixedField(quantity, s.quantityDecimals);
  appendFixedField(amount, s.amountDecimals);
  appendByteField(byteParam1);
  appendByteField(byteParam2);
  appendByteField(byteParam3);
  sealRequest();
  return exchange();
}

// Discount and margin: kind 0 carries a percentage, any other kind an amount,
// and the kind byte that is sent is the one that picks the scale.
int32_t adjustmentCommand(uint8_t code, uint8_t valueKind, const char* text,
                          int32_t amountOrPercent) {
  const SessionState& s = session();
  const int32_t decimals = valueKind == 0 ? s.percentDecimals : s.amountDecimals;
  beginRequest(code);
  appendByteField(valueKind);
  appendTextField(text);
  appendFixedField(amountOrPercent, decimals);
  sealRequest();
  return exchange();
}

int32_t addPayment(uint8_t byteParam, int32_t amount, const char* text) {
  beginRequest(kAddPayment);
  appendByteField(byteParam);
  appendFixedField(amount, session().amountDecimals);
  appendTextField(text);
  sealRequest();
  return exchange();
}

int32_t compareSum(int32_t amount) {
  beginRequest(kCompareSum);
  appendFixedField(amount, session().amountDecimals);
  sealRequest();
  return exchange();
}

}  // namespace

}  // namespace varek

extern "C" {

VAREK_API int libAddPosition(const char* text1, const char* text2, int quantity, int amount,
                             unsigned char byteParam1, unsigned char byteParam2,
                             unsigned char byteParam3) {
  return varek::positionCommand(varek::kAddPosition, text1, text2, quantity, amount, byteParam1,
                                byteParam2, byteParam3);
}

VAREK_API int libDelPosition(const char* text1, const char* text2, int quantity, int amount,
                             unsigned char byteParam1, unsigned char byteParam2,
                             unsigned char byteParam3) {
  return varek::positionCommand(varek::kDelPosition, text1, text2, quantity, amount, byteParam1,
                                byteParam2, byteParam3);
}

VAREK_API int libSubTotal(void) {
  return varek::simpleCommand(varek::kSubTotal);
}

VAREK_API int libAddDiscount(unsigned char valueKind, const char* text, int amountOrPercent) {
  return varek::adjustmentCommand(varek::kAddDiscount, valueKind, text, amountOrPercent);
}

VAREK_API int libAddMargin(unsigned char valueKind, const char* text, int amountOrPercent) {
  return varek::adjustmentCommand(varek::kAddMargin, valueKind, text, amountOrPercent);
}

VAREK_API int libAddPayment(unsigned char byteParam, int amount, const char* text) {
  return varek::addPayment(byteParam, amount, text);
}

VAREK_API int libCompareSum(int amount) {
  return varek::compareSum(amount);
}

}  // extern "C"

// The other commands of a document: free text, bar codes, cash in and out,
// requisites, department and tax sums, a receipt copy and zeroing the drawer
// cash. Department sums, tax sums and the receipt copy always read their reply,
// also inside a batch-mode document; the rest are batch-aware.
#include <cstdint>

#include "VarekLib.h"
#include "protocol/exchange.h"
#include "protocol/request.h"
#include "protocol/session.h"

namespace varek {

namespace {

constexpr uint8_t kPrintString = 0x40;
constexpr uint8_t kPrintBarCode = 0x41;
constexpr uint8_t kCashInOut = 0x48;
constexpr uint8_t kPrintRequisite = 0x49;
constexpr uint8_t kRegisterSumToDepartment = 0x50;
constexpr uint8_t kRegisterTaxSum = 0x51;
constexpr uint8_t kOpenCopyReceipt = 0x53;
constexpr uint8_t kZeroDrawerCash = 0x54;

int32_t amountDecimals() {
  return session().amountDecimals;
}

int32_t printString(const char* text, uint8_t byteParam) {
  beginRequest(kPrintString);
  appendTextField(text);
  appendByteField(byteParam);
  sealRequest();
  return exchange();
}

int32_t printBarCode(uint8_t byteParam1, uint8_t byteParam2, uint8_t byteParam3, uint8_t byteParam4,
                     const char* barcodeText) {
  beginRequest(kPrintBarCode);
  appendByteField(byteParam1);
  appendByteField(byteParam2);
  appendByteField(byteParam3);
  appendByteField(byteParam4);
  appendTextField(barcodeText);
  sealRequest();
  return exchange();
}

int32_t cashInOut(const char* text, int32_t amount) {
  beginRequest(kCashInOut);
  appendTextField(text);
  appendFixedField(amount, amountDecimals());
  sealRequest();
  return exchange();
}

int32_t printRequisite(uint8_t byteParam1, uint8_t byteParam2, const char* text1, const char* text2,
                       const char* text3, const char* text4) {
  beginRequest(kPrintRequisite);
  appendByteField(byteParam1);
  appendByteField(byteParam2);
  appendTextField(text1);
  appendTextField(text2);
  appendTextField(text3);
  appendTextField(text4);
  sealRequest();
  return exchange();
}

int32_t registerSumToDepartment(uint8_t byteParam1, uint8_t byteParam2, int32_t amount) {
  beginRequest(kRegisterSumToDepartment);
  appendByteField(byteParam1);
  appendByteField(byteParam2);
  appendFixedField(amount, amountDecimals());
  sealRequest();
  return exchangeAndWait();
}

int32_t registerTaxSum(uint8_t byteParam, int32_t amount) {
  beginRequest(kRegisterTaxSum);
  appendByteField(byteParam);
  appendFixedField(amount, amountDecimals());
  sealRequest();
  return exchangeAndWait();
}

// Opens a copy of an earlier receipt: the fields of a document open, a second
// integer, then the original's date and time. It never touches batch mode.
int32_t openCopyReceipt(uint8_t byteParam1, uint8_t byteParam2, const char* text, int32_t value1,
                        int32_t value2, int32_t year, int32_t dayMonth, int32_t packedTime) {
  beginRequest(kOpenCopyReceipt);
  appendByteField(byteParam1);
  appendByteField(byteParam2);
  appendTextField(text);
  appendIntField(value1);
  appendIntField(value2);
  appendDateField(year, dayMonth);
  appendTimeField(packedTime);
  sealRequest();
  return exchangeAndWait();
}

}  // namespace

}  // namespace varek

extern "C" {

VAREK_API int libPrintString(const char* text, unsigned char byteParam) {
  return varek::printString(text, byteParam);
}

VAREK_API int libPrintBarCode(unsigned char byteParam1, unsigned char byteParam2,
                              unsigned char byteParam3, unsigned char byteParam4,
                              const char* barcodeText) {
  return varek::printBarCode(byteParam1, byteParam2, byteParam3, byteParam4, barcodeText);
}

VAREK_API int libCashInOut(const char* text, int amount) {
  return varek::cashInOut(text, amount);
}

VAREK_API int libPrintRequsit(unsigned char byteParam1, unsigned char byteParam2, const char* text1,
                              const char* text2, const char* text3, const char* text4) {
  return varek::printRequisite(byteParam1, byteParam2, text1, text2, text3, text4);
}

VAREK_API int libRegisterSumToDepart(unsigned char byteParam1, unsigned char byteParam2,
                                     int amount) {
  return varek::registerSumToDepartment(byteParam1, byteParam2, amount);
}

VAREK_API int libRegisterTaxSum(unsigned char byteParam, int amount) {
  return varek::registerTaxSum(byteParam, amount);
}

VAREK_API int libOpenCopyReceipt(unsigned char byteParam1, unsigned char byteParam2,
                                 const char* text, int value1, int value2, int year, int dayMonth,
                                 int packedTime) {
  return varek::openCopyReceipt(byteParam1, byteParam2, text, value1, value2, year, dayMonth,
                                packedTime);
}

VAREK_API int libSetToZeroCashInCashDrawer(void) {
  return varek::simpleCommand(varek::kZeroDrawerCash);
}

}  // extern "C"

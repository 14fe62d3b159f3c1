// Device information queries: status flags, device information, receipt data,
// printer status, service and extended error information, the device clock and
// the cash drawer. Each has a raw form returning the whole reply; three also
// have a parsed form that writes decoded values to the caller's pointers.
#include <cstdint>
#include <cstring>

#include "VarekLib.h"
#include "protocol/exchange.h"
#include "protocol/parsers.h"
#include "protocol/session.h"

namespace {

constexpr uint8_t kStatusFlags = 0x00;
constexpr uint8_t kKktInfo = 0x02;
constexpr uint8_t kReceiptData = 0x03;
constexpr uint8_t kPrinterStatus = 0x04;
constexpr uint8_t kServiceInfo = 0x05;
constexpr uint8_t kExErrorInfo = 0x06;
constexpr uint8_t kDateTime = 0x13;
constexpr uint8_t kCashDrawerStatus = 0x81;

// Sends a field-less query the batch-aware way. In batch mode the request is
// written but no reply is read, so there is nothing of this query's own to
// parse: that is 1015, rather than the values of some earlier reply.
int32_t exchangeForParsing(uint8_t commandCode) {
  const bool batch = varek::session().batchMode != 0;
  const int32_t result = varek::simpleCommand(commandCode);
  if (result != VAREK_OK) return result;
  return batch ? VAREK_ERR_BATCH_NO_REPLY : VAREK_OK;
}

template <typename T>
void store(T* out, T value) {
  if (out != nullptr) *out = value;
}

}  // namespace

extern "C" {

VAREK_API ReplyRecord libGetStatusFlags(void) {
  return varek::queryCommand(kStatusFlags);
}

// The outputs are written only after the whole reply parsed, so a caller never
// sees a mix of new and old flags.
VAREK_API int getStatusFlags(int* flags1, int* flags2, int* flags3) {
  int32_t result = exchangeForParsing(kStatusFlags);
  if (result != VAREK_OK) return result;
  int32_t parsed[3] = {};
  result = varek::parseThreeInts(&parsed[0], &parsed[1], &parsed[2]);
  if (result != VAREK_OK) return result;
  store(flags1, parsed[0]);
  store(flags2, parsed[1]);
  store(flags3, parsed[2]);
  return VAREK_OK;
}

VAREK_API ReplyRecord libGetKKTInfo(int infoType) {
  return varek::queryCommandByte(kKktInfo, infoType);
}

VAREK_API int getKKTInfo(int infoType, char* infoText) {
  int32_t result = varek::queryCommandByte(kKktInfo, infoType).result;
  if (result != VAREK_OK) return result;
  char text[varek::kFieldCapacity + 1] = {};
  result = varek::parseSecondText(text);
  if (result != VAREK_OK) return result;
  if (infoText != nullptr) std::memcpy(infoText, text, std::strlen(text) + 1);
  return VAREK_OK;
}

VAREK_API ReplyRecord libGetReceiptData(int dataType) {
  return varek::queryCommandByte(kReceiptData, dataType);
}

VAREK_API ReplyRecord libGetPrinterStatus(void) {
  return varek::queryCommand(kPrinterStatus);
}

VAREK_API ReplyRecord libGetServiceInfo(int infoType) {
  return varek::queryCommandByte(kServiceInfo, infoType);
}

VAREK_API ReplyRecord libGetExErrorInfo(int infoType) {
  return varek::queryCommandByte(kExErrorInfo, infoType);
}

VAREK_API ReplyRecord libGetVarekDateTime(void) {
  return varek::queryCommand(kDateTime);
}

VAREK_API ReplyRecord libGetCashDrawerStatus(void) {
  return varek::queryCommand(kCashDrawerStatus);
}

VAREK_API int getCashDrawerStatus(int* drawerStatus) {
  int32_t result = exchangeForParsing(kCashDrawerStatus);
  if (result != VAREK_OK) return result;
  int32_t parsed = 0;
  result = varek::parseSingleInt(&parsed);
  if (result != VAREK_OK) return result;
  store(drawerStatus, parsed);
  return VAREK_OK;
}

}  // extern "C"

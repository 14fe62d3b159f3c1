// Fiscal document lifecycle: open, close, cancel, postpone and cut.
//
// The device keeps the document; the driver keeps only the batch-mode flag.
// Bit 0x10 of the document type asks the device for a batch-mode document, in
// which it does not answer the batch-aware commands; the driver then stops
// reading their replies until a close, cancel or postpone ends the document.
#include <cstdint>

#include "VarekLib.h"
#include "protocol/exchange.h"
#include "protocol/request.h"
#include "protocol/session.h"

namespace varek {

namespace {

constexpr uint8_t kOpenDocument = 0x30;
constexpr uint8_t kCloseDocument = 0x31;
constexpr uint8_t kCancelDocument = 0x32;
constexpr uint8_t kPostponeDocument = 0x33;
constexpr uint8_t kCutDocument = 0x34;

constexpr uint8_t kBatchModeBit = 0x10;

void setBatchMode(bool on) {
  session().batchMode = on ? 1 : 0;
}

// The open always reads its own reply. Batch mode goes on only once the whole
// request has reached the port, so a failed write leaves the session as it
// was; once written, the device may already have opened the document, so the
// flag stays on whatever the reply says.
int32_t openDocument(uint8_t documentType, uint8_t byteParam, const char* text, int32_t value) {
  beginRequest(kOpenDocument);
  appendByteField(documentType);
  appendByteField(byteParam);
  appendTextField(text);
  appendIntField(value);
  sealRequest();
  int32_t written = writeRequest();
  if (written != VAREK_OK) return written;
  if ((documentType & kBatchModeBit) != 0) setBatchMode(true);
  return receiveReply();
}

int32_t postponeDocument(const char* text) {
  beginRequest(kPostponeDocument);
  appendTextField(text);
  sealRequest();
  int32_t result = exchangeAndWait();
  setBatchMode(false);
  return result;
}

}  // namespace

}  // namespace varek

extern "C" {

VAREK_API int libOpenDocument(unsigned char documentType, unsigned char byteParam, const char* text,
                              int value) {
  return varek::openDocument(documentType, byteParam, text, value);
}

VAREK_API ReplyRecord libCloseDocument(unsigned char byteParam) {
  // Off before the request: the close must read the device's verdict.
  varek::setBatchMode(false);
  return varek::queryCommandByte(varek::kCloseDocument, byteParam);
}

VAREK_API int libCancelDocument(void) {
  varek::setBatchMode(false);
  return varek::simpleCommand(varek::kCancelDocument);
}

VAREK_API int libPostponeDocument(const char* text) {
  return varek::postponeDocument(text);
}

VAREK_API int libCutDocument(void) {
  return varek::simpleCommand(varek::kCutDocument);
}

}  // extern "C"

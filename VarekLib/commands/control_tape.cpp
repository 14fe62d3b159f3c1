// The electronic control tape (ECT): the register's write-once journal of
// documents. These commands activate it, close its archive, print from it and
// read information out of it.
#include "VarekLib.h"
#include "protocol/exchange.h"
#include "protocol/request.h"

namespace {

constexpr uint8_t kActivate = 0x70;
constexpr uint8_t kCloseArchive = 0x71;
constexpr uint8_t kPrintControlTape = 0x72;
constexpr uint8_t kPrintDocument = 0x73;
constexpr uint8_t kPrintReportByShifts = 0x74;
constexpr uint8_t kPrintReportByDate = 0x75;
constexpr uint8_t kPrintActivationReport = 0x76;
constexpr uint8_t kPrintShiftReport = 0x77;
constexpr uint8_t kGetInfo = 0x78;
constexpr uint8_t kEnableServiceChannel = 0xA2;

// Information requests 10 to 13 name what they ask for with a first number;
// request 13 needs a second one. The kind travels as a byte, so only its low
// byte decides.
constexpr uint8_t kFirstKindWithValue = 10;
constexpr uint8_t kLastKindWithValue = 13;
constexpr uint8_t kKindWithTwoValues = 13;

}  // namespace

extern "C" {

VAREK_API int libActivizationECT(void) {
  return varek::simpleCommand(kActivate);
}

VAREK_API int libCloseArchiveECT(void) {
  return varek::simpleCommand(kCloseArchive);
}

VAREK_API int libPrintControlTapeFromECT(int number) {
  return varek::intCommandAndWait(kPrintControlTape, number);
}

VAREK_API int libPrintDocumentFromECT(int documentNumber) {
  return varek::intCommandAndWait(kPrintDocument, documentNumber);
}

VAREK_API int libPrintReportFromECTByShifts(int reportKind, int firstShift, int lastShift) {
  varek::beginRequest(kPrintReportByShifts);
  varek::appendByteField(reportKind);
  varek::appendIntField(firstShift);
  varek::appendIntField(lastShift);
  varek::sealRequest();
  return varek::exchangeAndWait();
}

VAREK_API int libPrintReportFromECTByDate(int reportKind, int startYear, int startDayMonth,
                                          int endYear, int endDayMonth) {
  varek::beginRequest(kPrintReportByDate);
  varek::appendByteField(reportKind);
  varek::appendDateField(startYear, startDayMonth);
  varek::appendDateField(endYear, endDayMonth);
  varek::sealRequest();
  return varek::exchangeAndWait();
}

VAREK_API int libPrintReportActivizationECT(void) {
  return varek::simpleCommand(kPrintActivationReport);
}

VAREK_API int libPrintReportFromECTByShift(int shiftNumber) {
  return varek::intCommandAndWait(kPrintShiftReport, shiftNumber);
}

VAREK_API ReplyRecord libGetInfoFromECT(int requestKind, int value1, int value2) {
  const auto kind = static_cast<uint8_t>(requestKind & 0xFF);
  varek::beginRequest(kGetInfo);
  varek::appendByteField(requestKind);
  if (kind >= kFirstKindWithValue && kind <= kLastKindWithValue) varek::appendIntField(value1);
  if (kind == kKindWithTwoValues) varek::appendIntField(value2);
  varek::sealRequest();
  return varek::makeReplyRecord(varek::exchange());
}

VAREK_API int libEnableServiceChannelToECT(void) {
  return varek::simpleCommand(kEnableServiceChannel);
}

}  // extern "C"

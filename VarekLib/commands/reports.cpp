// Shift reports (X and Z), emergency shift close, report copies, the
// fiscal-memory reports and fiscalization. The register keeps the shift and
// the fiscal memory; these commands only carry the caller's values to it.
#include "VarekLib.h"
#include "protocol/exchange.h"
#include "protocol/request.h"

namespace {

constexpr uint8_t kXReport = 0x20;
constexpr uint8_t kZReport = 0x21;
constexpr uint8_t kFiscalization = 0x60;
constexpr uint8_t kFiscalReportByShifts = 0x61;
constexpr uint8_t kFiscalReportByDate = 0x62;
constexpr uint8_t kEmergencyCloseShift = 0xA0;
constexpr uint8_t kCopyLastZReport = 0xA1;
constexpr uint8_t kCopyFiscalizationReport = 0xA3;

// The Z report carries a second field only for this option; every other value
// (also one whose low byte is 11) sends the text alone.
constexpr int kZReportOptionWithField = 11;

}  // namespace

extern "C" {

VAREK_API int libPrintXReport(const char* text) {
  varek::beginRequest(kXReport);
  varek::appendTextField(text);
  varek::sealRequest();
  return varek::exchangeAndWait();
}

VAREK_API int libPrintZReport(const char* text, int option) {
  varek::beginRequest(kZReport);
  varek::appendTextField(text);
  if (option == kZReportOptionWithField) varek::appendIntField(kZReportOptionWithField);
  varek::sealRequest();
  return varek::exchangeAndWait();
}

VAREK_API int libEmergencyCloseShift(void) {
  return varek::simpleCommand(kEmergencyCloseShift);
}

VAREK_API int libPrintCopyLastZReport(void) {
  return varek::simpleCommand(kCopyLastZReport);
}

VAREK_API int libPrintCopyReportFiscalization(void) {
  return varek::simpleCommand(kCopyFiscalizationReport);
}

VAREK_API int libFiscalization(const char* text1, const char* text2, const char* text3,
                               const char* text4) {
  varek::beginRequest(kFiscalization);
  varek::appendTextField(text1);
  varek::appendTextField(text2);
  varek::appendTextField(text3);
  varek::appendTextField(text4);
  varek::sealRequest();
  return varek::exchangeAndWait();
}

VAREK_API int libPrintFiscalReportByShifts(int reportKind, int firstShift, int lastShift,
                                           const char* text) {
  varek::beginRequest(kFiscalReportByShifts);
  varek::appendByteField(reportKind);
  varek::appendIntField(firstShift);
  varek::appendIntField(lastShift);
  varek::appendTextField(text);
  varek::sealRequest();
  return varek::exchangeAndWait();
}

VAREK_API int libPrintFiscalReportByDate(int reportKind, int startYear, int startDayMonth,
                                         int endYear, int endDayMonth, const char* text) {
  varek::beginRequest(kFiscalReportByDate);
  varek::appendByteField(reportKind);
  varek::appendDateField(startYear, startDayMonth);
  varek::appendDateField(endYear, endDayMonth);
  varek::appendTextField(text);
  varek::sealRequest();
  return varek::exchangeAndWait();
}

}  // extern "C"

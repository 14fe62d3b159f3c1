// varek status: what the printer says about itself.
#include <cstdio>
#include <string>

#include "VarekLib.h"
#include "printer_link.h"
#include "tool.h"

namespace varek::tool {

namespace {

std::string rawPayload(const ReplyRecord& record) {
  std::string text;
  for (int i = 6; i < record.length - 3 && i < VAREK_REPLY_RECORD_RAW_SIZE; ++i) {
    unsigned char c = record.raw[i];
    text += c == 0x1C ? std::string(" | ") : std::string(1, static_cast<char>(c));
  }
  return text;
}

}  // namespace

int runStatus(const Options& options) {
  PrinterLink link;
  if (!link.connect(options)) return 1;
  int flags1 = 0, flags2 = 0, flags3 = 0;
  int result = getStatusFlags(&flags1, &flags2, &flags3);
  showCall("getStatusFlags(...)", result);
  if (result == VAREK_OK) std::printf("    status flags: %d %d %d\n", flags1, flags2, flags3);

  ReplyRecord printer = libGetPrinterStatus();
  showCall("libGetPrinterStatus()", printer.result);
  if (printer.result == VAREK_OK) std::printf("    printer: %s\n", rawPayload(printer).c_str());

  const char* infoNames[] = {"model", "serial number", "firmware"};
  for (int type = 0; type < 3; ++type) {
    char text[32] = {};
    result = getKKTInfo(type, text);
    showCall("getKKTInfo(" + std::to_string(type) + ", ...)", result);
    if (result == VAREK_OK) std::printf("    %s: %s\n", infoNames[type], text);
  }
  int drawer = 0;
  result = getCashDrawerStatus(&drawer);
  showCall("getCashDrawerStatus(...)", result);
  if (result == VAREK_OK) std::printf("    cash drawer: %d\n", drawer);
  return 0;
}

}  // namespace varek::tool

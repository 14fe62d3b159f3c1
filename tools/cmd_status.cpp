// varek status: what the printer says about itself.
#include <cstdio>
#include <string>

#include "VarekLib.h"
#include "printer_link.h"
#include "tool.h"

namespace varek::tool {

int runStatus(const Options& options) {
  PrinterLink link;
  if (!link.connect(options)) return 1;
  bool allOk = true;
  auto show = [&allOk](const std::string& call, int result) {
    showCall(call, result);
    allOk = allOk && result == VAREK_OK;
  };
  int flags1 = 0, flags2 = 0, flags3 = 0;
  int result = getStatusFlags(&flags1, &flags2, &flags3);
  show("getStatusFlags(...)", result);
  if (result == VAREK_OK) std::printf("    status flags: %d %d %d\n", flags1, flags2, flags3);

  ReplyRecord printer = libGetPrinterStatus();
  show("libGetPrinterStatus()", printer.result);
  if (printer.result == VAREK_OK)
    std::printf("    printer: %s\n", joinFields(replyFields(printer)).c_str());

  const char* infoNames[] = {"model", "serial number", "firmware"};
  for (int type = 0; type < 3; ++type) {
    char text[32] = {};
    result = getKKTInfo(type, text);
    show("getKKTInfo(" + std::to_string(type) + ", ...)", result);
    if (result == VAREK_OK) std::printf("    %s: %s\n", infoNames[type], text);
  }
  int drawer = 0;
  result = getCashDrawerStatus(&drawer);
  show("getCashDrawerStatus(...)", result);
  if (result == VAREK_OK) std::printf("    cash drawer: %d\n", drawer);
  return allOk ? 0 : 1;
}

}  // namespace varek::tool

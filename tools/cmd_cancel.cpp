// varek cancel: cancels the document the printer holds open, for example after
// a point-of-sale program stopped in the middle of a sale.
#include <cstdio>

#include "VarekLib.h"
#include "printer_link.h"
#include "tool.h"

namespace varek::tool {

int runCancel(const Options& options) {
  PrinterLink link;
  if (!link.connect(options)) return 1;
  int result = libCancelDocument();
  showCall("libCancelDocument()", result);
  return result == VAREK_OK ? 0 : 1;
}

}  // namespace varek::tool

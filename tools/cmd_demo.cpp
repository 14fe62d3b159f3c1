// varek demo: a complete sale and a batch-mode sale, call by call, with the
// receipts the printer printed. Without --port it runs on the virtual printer;
// on a real printer it registers real sales and so insists on --real.
#include <cstdio>
#include <string>
#include <vector>

#include "VarekLib.h"
#include "printer_link.h"
#include "tool.h"

namespace varek::tool {

namespace {

constexpr unsigned char kSaleDocument = 1;
constexpr unsigned char kBatchModeBit = 0x10;
constexpr unsigned char kCash = 0;
constexpr unsigned char kCard = 1;
constexpr unsigned char kPercent = 0;

std::string money(int hundredths) {
  char text[32];
  std::snprintf(text, sizeof text, "%d.%02d", hundredths / 100, hundredths % 100);
  return text;
}

// Runs the calls of one sale, stopping at the first failure.
class Sale {
 public:
  bool ok() const { return failed_ == 0; }

  // The open always reads its reply; with bit 0x10 the commands after it do not.
  void open(const std::string& call, unsigned char documentType) {
    int result = libOpenDocument(documentType, 1, "Anna", 0);
    step(call, result);
    batch_ = result == VAREK_OK && (documentType & kBatchModeBit) != 0;
  }

  void step(const std::string& call, int result) {
    if (failed_ != 0) return;
    const char* note = batch_ && result == VAREK_OK ? "(sent; batch mode reads no reply)" : nullptr;
    showCall(call, result, note);
    if (result != VAREK_OK) failed_ = result;
  }

  void close() {
    if (failed_ != 0) return;
    ReplyRecord reply = libCloseDocument(0);
    std::string note = "reply fields: " + joinFields(replyFields(reply));
    showCall("libCloseDocument(0)", reply.result,
             reply.result == VAREK_OK ? note.c_str() : nullptr);
    if (reply.result != VAREK_OK) failed_ = reply.result;
    batch_ = false;  // the close switched batch mode off
  }

  // After a failure the printer may still hold the document: cancel it.
  void cancelIfFailed() {
    if (failed_ == 0) return;
    showCall("libCancelDocument()", libCancelDocument());
  }

 private:
  bool batch_ = false;
  int failed_ = 0;
};

bool plainSale() {
  std::printf("\nSale 1: every command waits for the printer's answer\n");
  Sale sale;
  sale.open("libOpenDocument(1, 1, \"Anna\", 0)", kSaleDocument);
  sale.step("libAddPosition(\"Milk 3.2%\", \"4601234567890\", 2.000, 1.45, 1, 1, 0)",
            libAddPosition("Milk 3.2%", "4601234567890", 2000, 145, 1, 1, 0));
  sale.step("libAddPosition(\"Rye bread\", \"4600987654321\", 1.000, 2.10, 1, 2, 0)",
            libAddPosition("Rye bread", "4600987654321", 1000, 210, 1, 2, 0));
  sale.step("libAddDiscount(0, \"Loyalty card\", 10.000%)",
            libAddDiscount(kPercent, "Loyalty card", 10000));
  sale.step("libSubTotal()", libSubTotal());
  sale.step("libAddPayment(1, 2.00, \"Card\")", libAddPayment(kCard, 200, "Card"));
  sale.step("libAddPayment(0, 5.00, \"Cash\")", libAddPayment(kCash, 500, "Cash"));
  sale.close();
  sale.step("libCutDocument()", libCutDocument());
  sale.cancelIfFailed();
  return sale.ok();
}

bool batchSale() {
  std::printf(
      "\nSale 2: batch mode (document type 0x11): the in-document commands are only sent,\n"
      "the printer answers the open and the close, and the close reports the outcome\n");
  Sale sale;
  sale.open("libOpenDocument(0x11, 1, \"Anna\", 0)", kSaleDocument | kBatchModeBit);
  sale.step("libAddPosition(\"Apples\", \"2000000000017\", 1.250, 1.60, 2, 1, 0)",
            libAddPosition("Apples", "2000000000017", 1250, 160, 2, 1, 0));
  sale.step("libAddPosition(\"Coffee beans\", \"4607001234567\", 1.000, 7.99, 1, 1, 0)",
            libAddPosition("Coffee beans", "4607001234567", 1000, 799, 1, 1, 0));
  sale.step("libPrintString(\"Thank you for shopping with us\", 0)",
            libPrintString("Thank you for shopping with us", 0));
  sale.step("libSubTotal()", libSubTotal());
  sale.step("libAddPayment(0, " + money(1000) + ", \"Cash\")", libAddPayment(kCash, 1000, "Cash"));
  sale.close();
  sale.step("libCutDocument()", libCutDocument());
  sale.cancelIfFailed();
  return sale.ok();
}

void showPaper(PrinterLink& link) {
  if (!link.isVirtual()) return;
  std::string paper = link.takeNewPaper();
  std::printf("\nPrinted by the virtual printer:\n");
  size_t start = 0;
  while (start < paper.size()) {
    size_t end = paper.find('\n', start);
    if (end == std::string::npos) end = paper.size();
    std::printf("    | %s\n", paper.substr(start, end - start).c_str());
    start = end + 1;
  }
  std::fflush(stdout);
}

bool hasArg(const Options& options, const char* arg) {
  for (const auto& a : options.args) {
    if (a == arg) return true;
  }
  return false;
}

}  // namespace

int runDemo(const Options& options) {
  if (!options.port.empty() && !hasArg(options, "--real")) {
    std::fprintf(stderr,
                 "varek demo: on a real printer the demo registers two real sales in fiscal\n"
                 "memory. Add --real if that is what you want.\n");
    return 2;
  }
  std::printf("Varek demo: a sale and a batch-mode sale through libVarekLib (driver version %d)\n",
              getDriverVersion());
  PrinterLink link;
  if (!link.connect(options)) return 1;

  bool first = plainSale();
  showPaper(link);
  bool second = first && batchSale();
  if (first) showPaper(link);

  std::printf("\n%s\n", first && second ? "Demo finished: both sales were printed."
                                        : "Demo stopped: a call failed (see above).");
  return first && second ? 0 : 1;
}

}  // namespace varek::tool

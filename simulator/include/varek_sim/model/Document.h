// The fiscal document the register is filling (sale, return, cash in/out...).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace varek::sim {

// Kinds of document, the document type of the open command without its batch-mode bit 0x10.
enum class DocumentKind : int {
  Sale = 1,
  Return = 2,
  CashIn = 3,
  CashOut = 4,
  Service = 5,
  Copy = 6
};

// One line of goods on a sale or return receipt; a storno lowers its quantity.
struct Position {
  std::string name;
  std::string code;
  int64_t quantity = 0;  // thousandths
  int64_t price = 0;     // hundredths
  int department = 1;    // 1 to 16
  int taxGroup = 0;      // 0 (no tax) to 6
};

struct Payment {
  int type = 0;  // 0 is cash, 1 to 15 the other means of payment
  std::string text;
  int64_t amount = 0;  // hundredths
};

struct DocumentState {
  // The document being filled.
  bool open = false;
  bool batch = false;  // opened with bit 0x10 of the document type
  int type = 0;        // a DocumentKind
  int operatorNumber = 0;
  std::string operatorName;
  int64_t customer = 0;
  std::vector<Position> positions;
  int64_t total = 0;   // hundredths, after discounts and margins
  int64_t paid = 0;    // hundredths
  int64_t change = 0;  // hundredths, cash handed back
  std::vector<Payment> payments;
  std::array<int64_t, 16> departmentSums{};  // hundredths, by department
  // In batch mode: the first refused command, reported by the close.
  uint8_t batchError = 0;
  uint8_t batchErrorCommand = 0;
  std::vector<std::string> lines;  // the body, printed when the document ends

  // Kept from one document to the next.
  int64_t cashInDrawer = 0;  // hundredths
};

}  // namespace varek::sim

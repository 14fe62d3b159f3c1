// The register as a seller: the rules of a fiscal document (which command fits
// which state), the sums, the cash drawer, the batch mode, and the receipt it
// prints when a document ends. The handlers of commands 0x30-0x34 and
// 0x40-0x54 parse the fields and call in here.
#pragma once

#include <cstdint>
#include <string>

#include "Handlers.h"
#include "varek_sim/Paper.h"
#include "varek_sim/RegisterModel.h"
#include "varek_sim/VirtualPrinter.h"

namespace varek::sim {

// Refusals because of the state of the document (documented in README.md).
namespace errors {
inline constexpr uint8_t kDocumentOpen = 0x30;         // a document is already open
inline constexpr uint8_t kNoDocument = 0x31;           // no document is open
inline constexpr uint8_t kUnknownDocumentType = 0x32;  // the open names no known kind
inline constexpr uint8_t kNotInThisDocument = 0x33;    // the command does not belong in this kind
inline constexpr uint8_t kPaymentStarted = 0x34;       // sale content after the first payment
inline constexpr uint8_t kEmptyReceipt = 0x35;         // no position on the receipt yet
inline constexpr uint8_t kNotPaid = 0x36;              // close before the total is paid
inline constexpr uint8_t kNoSuchPosition = 0x37;       // storno of goods not on the receipt
inline constexpr uint8_t kAdjustmentTooLarge = 0x38;   // discount above the total or above 100 %
inline constexpr uint8_t kSumMismatch = 0x39;          // the compared sum is not the total
inline constexpr uint8_t kOverpaid = 0x3A;       // more than is due, other than cash in a sale
inline constexpr uint8_t kNothingDue = 0x3B;     // payment after the total is paid
inline constexpr uint8_t kNotEnoughCash = 0x3C;  // more cash out than the drawer holds
inline constexpr uint8_t kTotalTooLarge = 0x3D;  // a sum beyond the register's capacity
inline constexpr uint8_t kBatchRefused = 0x3E;   // close: a command of the batch was refused
}  // namespace errors

// The largest sum the register keeps: 99 999 999.99.
inline constexpr int64_t kMaxSum = 9'999'999'999;

// True for the commands the device does not answer while a document opened in
// batch mode is open (the driver does not read their replies then).
bool silentInBatchMode(uint8_t command);

// Applied to the reply of every command: inside a batch-mode document the
// batch-aware commands get no reply, and the first refusal among them is kept
// for the close to report.
Reply applyBatchMode(RegisterModel& model, uint8_t command, Reply reply);

struct OpenRequest {
  int documentType = 0;  // with the batch-mode bit
  int operatorNumber = 0;
  std::string operatorName;
  int64_t customer = 0;
};

struct CopyRequest {
  int originalType = 0;
  int operatorNumber = 0;
  std::string operatorName;
  int64_t documentNumber = 0;
  int64_t shiftNumber = 0;
  std::string date;  // DDMMYY as sent
  std::string time;  // HHMMSS as sent
};

struct PositionRequest {
  std::string name;
  std::string code;
  int64_t quantity = 0;  // thousandths
  int64_t price = 0;     // hundredths
  int department = 1;
  int taxGroup = 0;
};

class SaleModel {
 public:
  explicit SaleModel(DeviceContext& ctx) : model_(ctx.model), paper_(ctx.paper) {}

  Reply open(const OpenRequest& request);
  Reply openCopy(const CopyRequest& request);
  Reply close();
  Reply cancel();
  Reply postpone(const std::string& text);
  Reply cut();

  Reply addPosition(const PositionRequest& position);
  Reply stornoPosition(const PositionRequest& position);
  Reply subtotal();
  // percentThousandths when isPercent, else an amount in hundredths.
  Reply adjust(bool isMargin, bool isPercent, const std::string& text, int64_t value);
  Reply pay(int type, int64_t amount, const std::string& text);
  Reply compareSum(int64_t amount);

  Reply printText(const std::string& line);
  Reply cashInOut(const std::string& text, int64_t amount);
  Reply departmentSum(int department, int taxGroup, int64_t amount);
  Reply taxSum(int taxGroup, int64_t amount);
  Reply zeroDrawerCash();

 private:
  DocumentState& doc() { return model_.document; }
  bool isSaleOrReturn() const;
  uint8_t saleContentAllowed() const;  // 0 when positions and adjustments may be added
  int64_t due() const;
  void addToTotal(int64_t sum, int department);
  void endDocument(const std::vector<std::string>& footer);
  void bookClosedDocument();
  std::vector<std::string> header() const;
  std::vector<std::string> totals() const;

  RegisterModel& model_;
  Paper& paper_;
};

// Text of the register's printouts.
std::string formatQuantity(int64_t thousandths);
// left and right on one line of the paper's width, or on two when they do not fit.
std::vector<std::string> twoColumns(const std::string& left, const std::string& right);

}  // namespace varek::sim

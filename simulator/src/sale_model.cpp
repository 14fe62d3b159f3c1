#include "sale_model.h"

#include <algorithm>
#include <cstdio>

namespace varek::sim {

namespace {

constexpr std::size_t kPaperWidth = 36;
constexpr int64_t kCashPayment = 0;

const std::string kDoubleRule(kPaperWidth, '=');
const std::string kRule(kPaperWidth, '-');

// Commands of every group that a real device leaves unanswered in batch mode.
constexpr uint8_t kBatchAwareCommands[] = {
    0x00, 0x04, 0x13, 0x81,                                // status, printer, clock, drawer
    0x34,                                                  // cut
    0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48,  // document content
    0x49, 0x52, 0x54,                                      //
    0xA0, 0xA1, 0xA3,                                      // shift and fiscal reports
    0x70, 0x71, 0x76, 0x78, 0xA2,                          // control tape
    0x11, 0x94, 0x9A, 0x9B,                                // service
    0x16,                                                  // delete logo
};

Reply refused(uint8_t code) {
  return refuse(code);
}

std::string centred(const std::string& text) {
  if (text.size() >= kPaperWidth) return text;
  return std::string((kPaperWidth - text.size()) / 2, ' ') + text;
}

const char* kindName(int type) {
  switch (static_cast<DocumentKind>(type)) {
    case DocumentKind::Sale:
      return "SALE";
    case DocumentKind::Return:
      return "RETURN";
    case DocumentKind::CashIn:
      return "CASH IN";
    case DocumentKind::CashOut:
      return "CASH OUT";
    case DocumentKind::Service:
      return "SERVICE DOCUMENT";
    case DocumentKind::Copy:
      return "COPY";
  }
  return "DOCUMENT";
}

std::string formatPercent(int64_t thousandths) {
  return formatQuantity(thousandths) + "%";
}

// "DDMMYY" and "HHMMSS" as "DD.MM.YY HH:MM".
std::string printedDateTime(const std::vector<std::string>& dateTime) {
  const std::string& d = dateTime[0];
  const std::string& t = dateTime[1];
  if (d.size() < 6 || t.size() < 4) return d + " " + t;
  return d.substr(0, 2) + "." + d.substr(2, 2) + "." + d.substr(4) + " " + t.substr(0, 2) + ":" +
         t.substr(2, 2);
}

// Rounds a product in thousandths of hundredths to hundredths, half away from zero.
int64_t roundThousandths(int64_t value) {
  return value >= 0 ? (value + 500) / 1000 : -((-value + 500) / 1000);
}

void addCounter(CounterSet& set, std::size_t index, int64_t value) {
  if (index < set.values.size()) set.values[index] += value;
}

}  // namespace

std::string formatQuantity(int64_t thousandths) {
  char text[32];
  std::snprintf(text, sizeof text, "%s%lld.%03lld", thousandths < 0 ? "-" : "",
                static_cast<long long>(std::llabs(thousandths) / 1000),
                static_cast<long long>(std::llabs(thousandths) % 1000));
  return text;
}

std::vector<std::string> twoColumns(const std::string& left, const std::string& right) {
  if (left.size() + 1 + right.size() <= kPaperWidth) {
    return {left + std::string(kPaperWidth - left.size() - right.size(), ' ') + right};
  }
  std::string second =
      right.size() < kPaperWidth ? std::string(kPaperWidth - right.size(), ' ') + right : right;
  return {left, second};
}

bool silentInBatchMode(uint8_t command) {
  return std::find(std::begin(kBatchAwareCommands), std::end(kBatchAwareCommands), command) !=
         std::end(kBatchAwareCommands);
}

Reply applyBatchMode(RegisterModel& model, uint8_t command, Reply reply) {
  DocumentState& doc = model.document;
  if (!doc.open || !doc.batch || !silentInBatchMode(command)) return reply;
  if (reply.errorCode != 0 && doc.batchError == 0) {
    doc.batchError = reply.errorCode;
    doc.batchErrorCommand = command;
    char text[64];
    std::snprintf(text, sizeof text, "COMMAND %02X REFUSED WITH %02X", command, reply.errorCode);
    model.device.lastErrorCode = reply.errorCode;
    model.device.lastErrorText = text;
  }
  reply.noReply = true;
  return reply;
}

// ---- Lifecycle ------------------------------------------------------------

Reply SaleModel::open(const OpenRequest& request) {
  if (doc().open) return refused(errors::kDocumentOpen);
  const int kind = request.documentType & ~0x10;
  if (kind < static_cast<int>(DocumentKind::Sale) || kind > static_cast<int>(DocumentKind::Service))
    return refused(errors::kUnknownDocumentType);
  const int64_t cash = doc().cashInDrawer;
  doc() = DocumentState{};
  doc().cashInDrawer = cash;
  doc().open = true;
  doc().batch = (request.documentType & 0x10) != 0;
  doc().type = kind;
  doc().operatorNumber = request.operatorNumber;
  doc().operatorName = request.operatorName;
  doc().customer = request.customer;
  model_.shift.open = true;  // the first document of the day opens the shift
  return ok({std::to_string(model_.shift.documentNumber)});
}

Reply SaleModel::openCopy(const CopyRequest& request) {
  if (doc().open) return refused(errors::kDocumentOpen);
  OpenRequest open{static_cast<int>(DocumentKind::Service), request.operatorNumber,
                   request.operatorName, 0};
  Reply reply = this->open(open);
  doc().type = static_cast<int>(DocumentKind::Copy);
  doc().lines.push_back(std::string("COPY OF ") + kindName(request.originalType) + " No. " +
                        std::to_string(request.documentNumber));
  doc().lines.push_back("SHIFT " + std::to_string(request.shiftNumber) + "  " +
                        printedDateTime({request.date, request.time}));
  return reply;
}

Reply SaleModel::close() {
  if (!doc().open) return refused(errors::kNoDocument);
  // The driver stops batch mode with the close, whatever its outcome.
  const bool wasBatch = doc().batch;
  doc().batch = false;
  if (wasBatch && doc().batchError != 0) return refused(errors::kBatchRefused);
  if (isSaleOrReturn()) {
    if (doc().positions.empty()) return refused(errors::kEmptyReceipt);
    if (doc().paid < doc().total) return refused(errors::kNotPaid);
  }
  const int number = model_.shift.documentNumber;
  const int64_t total = doc().total;
  const int64_t change = doc().change;
  bookClosedDocument();
  endDocument(totals());
  return ok({std::to_string(number), formatAmount(total), formatAmount(change)});
}

Reply SaleModel::cancel() {
  if (!doc().open) return refused(errors::kNoDocument);
  endDocument({centred("*** CANCELLED ***")});
  return ok();
}

Reply SaleModel::postpone(const std::string& text) {
  if (!doc().open) return refused(errors::kNoDocument);
  endDocument({centred("*** POSTPONED ***"), text});
  return ok();
}

Reply SaleModel::cut() {
  paper_.printLine("- - - - - - - -  cut  - - - - - - - ");
  return ok();
}

// ---- Sale content ---------------------------------------------------------

bool SaleModel::isSaleOrReturn() const {
  const auto kind = static_cast<DocumentKind>(model_.document.type);
  return kind == DocumentKind::Sale || kind == DocumentKind::Return;
}

uint8_t SaleModel::saleContentAllowed() const {
  if (!model_.document.open) return errors::kNoDocument;
  if (!isSaleOrReturn()) return errors::kNotInThisDocument;
  if (!model_.document.payments.empty()) return errors::kPaymentStarted;
  return 0;
}

int64_t SaleModel::due() const {
  return model_.document.total - model_.document.paid;
}

void SaleModel::addToTotal(int64_t sum, int department) {
  doc().total += sum;
  if (department >= 1 && department <= 16) doc().departmentSums[department - 1] += sum;
}

Reply SaleModel::addPosition(const PositionRequest& p) {
  if (uint8_t refusal = saleContentAllowed()) return refused(refusal);
  if (p.quantity <= 0 || p.price < 0 || p.price > kMaxSum || p.quantity > kMaxSum ||
      p.department < 1 || p.department > 16 || p.taxGroup > 6)
    return refused(errors::kBadFieldValue);
  const int64_t sum = roundThousandths(p.quantity * p.price);
  if (sum > kMaxSum || doc().total + sum > kMaxSum) return refused(errors::kTotalTooLarge);
  addToTotal(sum, p.department);
  doc().positions.push_back({p.name, p.code, p.quantity, p.price, p.department, p.taxGroup});
  doc().lines.push_back(p.name);
  if (!p.code.empty()) doc().lines.push_back("  " + p.code);
  for (auto& line : twoColumns("  " + formatQuantity(p.quantity) + " x " + formatAmount(p.price),
                               formatAmount(sum)))
    doc().lines.push_back(line);
  return ok();
}

Reply SaleModel::stornoPosition(const PositionRequest& p) {
  if (uint8_t refusal = saleContentAllowed()) return refused(refusal);
  if (p.quantity <= 0) return refused(errors::kBadFieldValue);
  auto match = std::find_if(doc().positions.begin(), doc().positions.end(), [&](const Position& q) {
    return q.name == p.name && q.code == p.code && q.price == p.price &&
           q.department == p.department && q.taxGroup == p.taxGroup && q.quantity >= p.quantity;
  });
  if (match == doc().positions.end()) return refused(errors::kNoSuchPosition);
  const int64_t before = roundThousandths(match->quantity * match->price);
  match->quantity -= p.quantity;
  const int64_t after = roundThousandths(match->quantity * match->price);
  addToTotal(after - before, p.department);
  if (match->quantity == 0) doc().positions.erase(match);
  doc().lines.push_back("STORNO " + p.name);
  for (auto& line : twoColumns("  -" + formatQuantity(p.quantity) + " x " + formatAmount(p.price),
                               formatAmount(after - before)))
    doc().lines.push_back(line);
  return ok();
}

Reply SaleModel::subtotal() {
  if (!doc().open) return refused(errors::kNoDocument);
  if (!isSaleOrReturn()) return refused(errors::kNotInThisDocument);
  if (doc().positions.empty()) return refused(errors::kEmptyReceipt);
  for (auto& line : twoColumns("SUBTOTAL", formatAmount(doc().total))) doc().lines.push_back(line);
  return ok({formatAmount(doc().total)});
}

Reply SaleModel::adjust(bool isMargin, bool isPercent, const std::string& text, int64_t value) {
  if (uint8_t refusal = saleContentAllowed()) return refused(refusal);
  if (doc().positions.empty()) return refused(errors::kEmptyReceipt);
  if (value < 0) return refused(errors::kBadFieldValue);
  // Percentages in thousandths: a discount up to 100 %, a margin up to 1000 %.
  if (isPercent && value > (isMargin ? 1'000'000 : 100'000))
    return refused(errors::kAdjustmentTooLarge);
  if (!isPercent && value > kMaxSum) return refused(errors::kTotalTooLarge);
  // A percentage in thousandths of a percent: total * value / 100 000, rounded.
  const int64_t sum = isPercent ? (doc().total * value + 50'000) / 100'000 : value;
  if (!isMargin && sum > doc().total) return refused(errors::kAdjustmentTooLarge);
  if (isMargin && doc().total + sum > kMaxSum) return refused(errors::kTotalTooLarge);
  doc().total += isMargin ? sum : -sum;
  std::string label = std::string(isMargin ? "MARGIN " : "DISCOUNT ") + text;
  if (isPercent) label += " " + formatPercent(value);
  for (auto& line : twoColumns(label, formatAmount(isMargin ? sum : -sum)))
    doc().lines.push_back(line);
  return ok();
}

Reply SaleModel::pay(int type, int64_t amount, const std::string& text) {
  if (!doc().open) return refused(errors::kNoDocument);
  if (!isSaleOrReturn()) return refused(errors::kNotInThisDocument);
  if (doc().positions.empty()) return refused(errors::kEmptyReceipt);
  if (type < 0 || type > 15 || amount <= 0 || amount > kMaxSum)
    return refused(errors::kBadFieldValue);
  const bool isSale = static_cast<DocumentKind>(doc().type) == DocumentKind::Sale;
  const int64_t stillDue = due();
  if (stillDue <= 0) return refused(errors::kNothingDue);
  // Change is given only in cash and only in a sale.
  if (amount > stillDue && (type != kCashPayment || !isSale)) return refused(errors::kOverpaid);
  const int64_t change = amount > stillDue ? amount - stillDue : 0;
  if (!isSale && type == kCashPayment && amount > doc().cashInDrawer)
    return refused(errors::kNotEnoughCash);
  doc().paid += amount;
  doc().change += change;
  doc().payments.push_back({type, text, amount});
  return ok({formatAmount(stillDue - amount + change), formatAmount(change)});
}

Reply SaleModel::compareSum(int64_t amount) {
  if (!doc().open) return refused(errors::kNoDocument);
  if (amount != doc().total) return refused(errors::kSumMismatch);
  return ok({formatAmount(doc().total)});
}

// ---- Other content ----------------------------------------------------------

Reply SaleModel::printText(const std::string& line) {
  if (!doc().open) return refused(errors::kNoDocument);
  doc().lines.push_back(line);
  return ok();
}

Reply SaleModel::cashInOut(const std::string& text, int64_t amount) {
  if (!doc().open) return refused(errors::kNoDocument);
  const auto kind = static_cast<DocumentKind>(doc().type);
  if (kind != DocumentKind::CashIn && kind != DocumentKind::CashOut)
    return refused(errors::kNotInThisDocument);
  if (amount <= 0 || amount > kMaxSum) return refused(errors::kBadFieldValue);
  if (doc().total + amount > kMaxSum) return refused(errors::kTotalTooLarge);
  if (kind == DocumentKind::CashOut && doc().total + amount > doc().cashInDrawer)
    return refused(errors::kNotEnoughCash);
  doc().total += amount;
  for (auto& line : twoColumns(text.empty() ? kindName(doc().type) : text, formatAmount(amount)))
    doc().lines.push_back(line);
  return ok();
}

Reply SaleModel::departmentSum(int department, int taxGroup, int64_t amount) {
  if (uint8_t refusal = saleContentAllowed()) return refused(refusal);
  if (department < 1 || department > 16 || taxGroup > 6 || amount <= 0 || amount > kMaxSum)
    return refused(errors::kBadFieldValue);
  if (doc().total + amount > kMaxSum) return refused(errors::kTotalTooLarge);
  // A sum without goods counts as a position of its department.
  doc().positions.push_back(
      {"DEPARTMENT " + std::to_string(department), "", 1000, amount, department, taxGroup});
  addToTotal(amount, department);
  for (auto& line : twoColumns("DEPARTMENT " + std::to_string(department), formatAmount(amount)))
    doc().lines.push_back(line);
  return ok();
}

Reply SaleModel::taxSum(int taxGroup, int64_t amount) {
  if (!doc().open) return refused(errors::kNoDocument);
  if (!isSaleOrReturn()) return refused(errors::kNotInThisDocument);
  if (taxGroup < 1 || taxGroup > 6 || amount < 0 || amount > kMaxSum)
    return refused(errors::kBadFieldValue);
  for (auto& line : twoColumns("  INCL. TAX " + std::to_string(taxGroup), formatAmount(amount)))
    doc().lines.push_back(line);
  return ok();
}

Reply SaleModel::zeroDrawerCash() {
  if (doc().open && isSaleOrReturn()) return refused(errors::kNotInThisDocument);
  doc().cashInDrawer = 0;
  if (doc().open) {
    doc().lines.push_back("CASH IN DRAWER SET TO ZERO");
  } else {
    paper_.printLine("CASH IN DRAWER SET TO ZERO");
  }
  return ok();
}

// ---- Printing and booking -------------------------------------------------

std::vector<std::string> SaleModel::header() const {
  const DocumentState& d = model_.document;
  std::vector<std::string> lines = {kDoubleRule};
  lines.push_back(centred(isSaleOrReturn() ? "*** FISCAL RECEIPT ***" : "NON-FISCAL DOCUMENT"));
  for (auto& line :
       twoColumns(kindName(d.type), "No. " + std::to_string(model_.shift.documentNumber)))
    lines.push_back(line);
  for (auto& line : twoColumns("SHIFT " + std::to_string(model_.shift.number),
                               printedDateTime(deviceDateTimeFields(model_.service))))
    lines.push_back(line);
  lines.push_back("OPERATOR " + std::to_string(d.operatorNumber) +
                  (d.operatorName.empty() ? "" : " " + d.operatorName));
  if (d.customer != 0) lines.push_back("CUSTOMER " + std::to_string(d.customer));
  lines.push_back(kRule);
  return lines;
}

std::vector<std::string> SaleModel::totals() const {
  const DocumentState& d = model_.document;
  const auto kind = static_cast<DocumentKind>(d.type);
  if (kind == DocumentKind::Service || kind == DocumentKind::Copy) return {};
  std::vector<std::string> lines = twoColumns("TOTAL", formatAmount(d.total));
  for (const auto& payment : d.payments) {
    std::string label =
        payment.text.empty() ? "PAYMENT " + std::to_string(payment.type) : payment.text;
    for (auto& line : twoColumns(label, formatAmount(payment.amount))) lines.push_back(line);
  }
  if (d.change > 0)
    for (auto& line : twoColumns("CHANGE", formatAmount(d.change))) lines.push_back(line);
  return lines;
}

void SaleModel::endDocument(const std::vector<std::string>& footer) {
  for (const auto& line : header()) paper_.printLine(line);
  for (const auto& line : doc().lines) paper_.printLine(line);
  paper_.printLine(kRule);
  for (const auto& line : footer) paper_.printLine(line);
  paper_.printLine(kDoubleRule);
  ++model_.shift.documentNumber;
  auto& next = model_.device.counters[2].values;
  next.assign(1, model_.shift.documentNumber);
  const int64_t cash = doc().cashInDrawer;
  doc() = DocumentState{};
  doc().cashInDrawer = cash;
}

// Sums of a closed document go to the drawer and the registers.
void SaleModel::bookClosedDocument() {
  DocumentState& d = doc();
  auto& counters = model_.device.counters;
  const auto kind = static_cast<DocumentKind>(d.type);
  addCounter(counters[7], static_cast<std::size_t>(d.type - 1), 1);
  if (kind == DocumentKind::CashIn || kind == DocumentKind::CashOut) {
    const bool in = kind == DocumentKind::CashIn;
    d.cashInDrawer += in ? d.total : -d.total;
    addCounter(counters[in ? 8 : 9], 0, d.total);
    return;
  }
  if (!isSaleOrReturn()) return;
  const bool sale = kind == DocumentKind::Sale;
  int64_t changeLeft = d.change;  // handed back out of the cash payments
  for (const auto& payment : d.payments) {
    int64_t kept = payment.amount;
    if (payment.type == kCashPayment) {
      const int64_t handedBack = std::min(changeLeft, kept);
      changeLeft -= handedBack;
      kept -= handedBack;
      d.cashInDrawer += sale ? kept : -kept;
    }
    addCounter(counters[sale ? 3 : 5], static_cast<std::size_t>(payment.type), kept);
    addCounter(counters[sale ? 4 : 6], static_cast<std::size_t>(payment.type), 1);
  }
  for (std::size_t i = 0; i < d.departmentSums.size(); ++i)
    addCounter(counters[sale ? 13 : 14], i, d.departmentSums[i]);
}

}  // namespace varek::sim

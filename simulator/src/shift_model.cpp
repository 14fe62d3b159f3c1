#include "shift_model.h"

#include <numeric>

namespace varek::sim {

namespace {

constexpr std::size_t kSalesByPayment = 3;
constexpr std::size_t kReturnsByPayment = 5;
constexpr std::size_t kDocumentsByKind = 7;
constexpr std::size_t kCashIn = 8;
constexpr std::size_t kCashOut = 9;
constexpr std::size_t kShiftNumber = 1;
constexpr std::size_t kFirstShiftCounter = 3;
constexpr std::size_t kLastShiftCounter = 14;

int64_t sumOf(const CounterSet& set) {
  return std::accumulate(set.values.begin(), set.values.end(), int64_t{0});
}

int64_t firstOf(const CounterSet& set) {
  return set.values.empty() ? 0 : set.values.front();
}

std::string twoColumns(const std::string& left, const std::string& right) {
  constexpr std::size_t kWidth = 32;
  std::size_t gap = left.size() + right.size() < kWidth ? kWidth - left.size() - right.size() : 1;
  return left + std::string(gap, ' ') + right;
}

std::string twoDigits(int value) {
  std::string text = std::to_string(value);
  return text.size() < 2 ? "0" + text : text;
}

}  // namespace

int deviceDate(const ServiceState& service) {
  return parseDateField(deviceDateTimeFields(service).at(0)).value_or(0);
}

std::optional<int> parseDateField(const std::string& field) {
  if (field.size() < 6 || field.size() > 7) return std::nullopt;
  auto day = parseInteger(field.substr(0, 2));
  auto month = parseInteger(field.substr(2, 2));
  auto year = parseInteger(field.substr(4));
  if (!day || !month || !year || *day < 1 || *day > 31 || *month < 1 || *month > 12 || *year < 0)
    return std::nullopt;
  return static_cast<int>((2000 + *year) * 10000 + *month * 100 + *day);
}

std::string printedDate(int yyyymmdd) {
  return twoDigits(yyyymmdd % 100) + "." + twoDigits(yyyymmdd / 100 % 100) + "." +
         twoDigits(yyyymmdd / 10000 % 100);
}

FiscalRecord currentShiftFigures(const RegisterModel& model) {
  const auto& c = model.device.counters;
  FiscalRecord record;
  record.shift = model.shift.number;
  record.date = deviceDate(model.service);
  record.sales = sumOf(c[kSalesByPayment]);
  record.returns = sumOf(c[kReturnsByPayment]);
  record.cashIn = firstOf(c[kCashIn]);
  record.cashOut = firstOf(c[kCashOut]);
  record.documents = static_cast<int>(sumOf(c[kDocumentsByKind]));
  record.lastDocument = model.shift.documentNumber - 1;
  return record;
}

std::vector<std::string> shiftReportLines(const RegisterModel& model, const std::string& title,
                                          const std::string& text) {
  const FiscalRecord now = currentShiftFigures(model);
  const auto& fields = deviceDateTimeFields(model.service);
  std::vector<std::string> lines = {
      "*** " + title + " ***", twoColumns("SHIFT " + std::to_string(now.shift),
                                          printedDate(now.date) + " " + fields[1].substr(0, 2) +
                                              ":" + fields[1].substr(2, 2))};
  if (!text.empty()) lines.push_back(text);
  const auto& sales = model.device.counters[kSalesByPayment].values;
  lines.push_back(twoColumns("SALES", formatAmount(now.sales)));
  for (std::size_t type = 0; type < sales.size(); ++type)
    if (sales[type] != 0)
      lines.push_back(twoColumns(type == 0 ? "  CASH" : "  PAYMENT " + std::to_string(type),
                                 formatAmount(sales[type])));
  lines.push_back(twoColumns("RETURNS", formatAmount(now.returns)));
  lines.push_back(twoColumns("CASH IN", formatAmount(now.cashIn)));
  lines.push_back(twoColumns("CASH OUT", formatAmount(now.cashOut)));
  lines.push_back(twoColumns("IN DRAWER", formatAmount(model.document.cashInDrawer)));
  lines.push_back(twoColumns("DOCUMENTS", std::to_string(now.documents)));
  lines.push_back(
      twoColumns("GRAND TOTAL", formatAmount(model.shift.grandTotal + now.sales - now.returns)));
  return lines;
}

FiscalRecord closeShift(RegisterModel& model, bool emergency) {
  FiscalRecord record = currentShiftFigures(model);
  record.emergency = emergency;
  ShiftState& shift = model.shift;
  shift.fiscalMemory.push_back(record);
  shift.grandTotal += record.sales - record.returns;
  if (model.ect.active) model.ect.shifts.push_back(record);
  auto& counters = model.device.counters;
  for (std::size_t i = kFirstShiftCounter; i <= kLastShiftCounter; ++i)
    for (auto& value : counters[i].values) value = 0;
  shift.open = false;
  ++shift.number;
  counters[kShiftNumber].values.assign(1, shift.number);
  return record;
}

std::string recordLine(const FiscalRecord& record) {
  return twoColumns("SHIFT " + std::to_string(record.shift) + " " + printedDate(record.date) +
                        (record.emergency ? " E" : ""),
                    formatAmount(record.sales - record.returns));
}

std::vector<std::string> totalsLines(const std::vector<FiscalRecord>& records) {
  if (records.empty()) return {"NO RECORDS"};
  FiscalRecord total;
  for (const auto& record : records) {
    total.sales += record.sales;
    total.returns += record.returns;
    total.documents += record.documents;
  }
  return {twoColumns("SHIFTS", std::to_string(records.front().shift) + "-" +
                                   std::to_string(records.back().shift)),
          twoColumns("SALES", formatAmount(total.sales)),
          twoColumns("RETURNS", formatAmount(total.returns)),
          twoColumns("DOCUMENTS", std::to_string(total.documents))};
}

bool ReportRange::contains(const FiscalRecord& record) const {
  const int64_t at = byDate ? record.date : record.shift;
  return at >= from && at <= to;
}

std::optional<uint8_t> readRange(const Request& request, bool byDate, ReportRange& range) {
  auto kind = intField(request, 0);
  auto bound = [&](std::size_t index) -> std::optional<int64_t> {
    if (!byDate) return intField(request, index);
    auto date = parseDateField(request.fields.at(index));
    return date ? std::optional<int64_t>(*date) : std::nullopt;
  };
  auto from = bound(1), to = bound(2);
  if (!kind || !from || !to) return errors::kBadFieldValue;
  if (*from > *to) return errors::kReversedRange;
  range.kind = static_cast<int>(*kind);
  range.byDate = byDate;
  range.from = *from;
  range.to = *to;
  range.title = byDate ? "DATES " + printedDate(static_cast<int>(*from)) + " TO " +
                             printedDate(static_cast<int>(*to))
                       : "SHIFTS " + request.fields[1] + " TO " + request.fields[2];
  return std::nullopt;
}

std::vector<std::string> rangeReport(const std::vector<FiscalRecord>& records,
                                     const ReportRange& range) {
  std::vector<FiscalRecord> chosen;
  for (const auto& record : records)
    if (range.contains(record)) chosen.push_back(record);
  std::vector<std::string> lines;
  if (range.kind != 0)
    for (const auto& record : chosen) lines.push_back(recordLine(record));
  for (auto& line : totalsLines(chosen)) lines.push_back(std::move(line));
  return lines;
}

void printLines(Paper& paper, const std::vector<std::string>& lines) {
  for (const auto& line : lines) paper.printLine(line);
}

}  // namespace varek::sim

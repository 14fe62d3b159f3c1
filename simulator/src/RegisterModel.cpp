#include "varek_sim/RegisterModel.h"

#include <cstdlib>

namespace varek::sim {

namespace {

CounterSet integers(std::size_t count, int64_t first) {
  CounterSet set{CounterSet::Kind::Integer, {}, {}};
  for (std::size_t i = 0; i < count; ++i) set.values.push_back(first + static_cast<int64_t>(i));
  return set;
}

CounterSet amounts(std::size_t count, int64_t first) {
  CounterSet set{CounterSet::Kind::Amount, {}, {}};
  for (std::size_t i = 0; i < count; ++i) set.values.push_back(first * static_cast<int64_t>(i + 1));
  return set;
}

CounterSet registerTable() {
  CounterSet set{CounterSet::Kind::RegisterTable, {}, "TAX REGISTERS"};
  for (int64_t i = 0; i < 6; ++i) {
    set.values.push_back(i + 1);           // count
    set.values.push_back(1050 * (i + 1));  // sum in hundredths
  }
  return set;
}

}  // namespace

RegisterModel RegisterModel::factoryDefaults() {
  RegisterModel model;
  auto& d = model.device;
  d.info = {{0, "VAREK-FP"}, {1, "VK00012345"}, {2, "3.1.7"}, {3, "1234567890"}, {4, "RU"}};
  d.receiptData = {{0, "1"}, {1, "0.00"}, {2, "0"}};
  d.serviceInfo = {{0, "0"}, {1, "115200"}, {2, "42"}};

  auto& c = d.counters;
  c[1] = integers(1, 1);   // shift number
  c[2] = integers(1, 1);   // next document number
  c[3] = amounts(16, 0);   // sales by payment type
  c[4] = integers(16, 0);  // sale counts by payment type
  c[5] = amounts(16, 0);   // returns by payment type
  c[6] = integers(16, 0);  // return counts by payment type
  c[7] = integers(6, 0);   // documents by kind
  c[8] = amounts(4, 0);    // cash in
  c[9] = amounts(4, 0);    // cash out
  c[10] = amounts(6, 0);   // taxes on sales
  c[11] = amounts(6, 0);   // taxes on returns
  c[12] = registerTable();
  c[13] = amounts(16, 1000);  // department totals, sales
  c[14] = amounts(16, 0);     // department totals, returns
  return model;
}

std::string formatAmount(int64_t hundredths) {
  std::string sign = hundredths < 0 ? "-" : "";
  uint64_t magnitude =
      hundredths < 0 ? 0 - static_cast<uint64_t>(hundredths) : static_cast<uint64_t>(hundredths);
  std::string fraction = std::to_string(magnitude % 100);
  if (fraction.size() < 2) fraction.insert(0, "0");
  return sign + std::to_string(magnitude / 100) + "." + fraction;
}

namespace {
constexpr int64_t kLimit = int64_t{1} << 53;  // far beyond any register figure, far from overflow

bool appendDigit(int64_t& value, char c) {
  if (c < '0' || c > '9' || value > kLimit) return false;
  value = value * 10 + (c - '0');
  return true;
}
}  // namespace

std::optional<int64_t> parseDecimal(std::string_view text, int decimals) {
  bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  auto point = text.find('.');
  std::string_view whole = text.substr(0, point);
  std::string_view fraction = point == std::string_view::npos ? "" : text.substr(point + 1);
  if (whole.empty() || decimals < 0 || decimals > 9) return std::nullopt;
  int64_t value = 0;
  for (char c : whole)
    if (!appendDigit(value, c)) return std::nullopt;
  for (int i = 0; i < decimals; ++i) {
    char c =
        static_cast<std::size_t>(i) < fraction.size() ? fraction[static_cast<std::size_t>(i)] : '0';
    if (!appendDigit(value, c)) return std::nullopt;
  }
  for (std::size_t i = static_cast<std::size_t>(decimals); i < fraction.size(); ++i)
    if (fraction[i] < '0' || fraction[i] > '9') return std::nullopt;
  return negative ? -value : value;
}

std::optional<int64_t> parseInteger(std::string_view text) {
  if (text.find('.') != std::string_view::npos) return std::nullopt;
  return parseDecimal(text, 0);
}

}  // namespace varek::sim

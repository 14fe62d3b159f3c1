#include <ctime>

#include "Handlers.h"

namespace varek::sim {

void HandlerTable::define(uint8_t code, std::size_t minFields, std::size_t maxFields, Handler fn) {
  handlers_[code] = [minFields, maxFields, fn = std::move(fn)](const Request& request) {
    if (request.fields.size() < minFields || request.fields.size() > maxFields)
      return refuse(errors::kWrongFieldCount);
    return fn(request);
  };
}

std::optional<int64_t> intField(const Request& request, std::size_t index) {
  if (index >= request.fields.size()) return std::nullopt;
  return parseInteger(request.fields[index]);
}

std::optional<int64_t> amountField(const Request& request, std::size_t index) {
  if (index >= request.fields.size()) return std::nullopt;
  return parseDecimal(request.fields[index], 2);
}

namespace {
std::string twoDigits(int value) {
  std::string text = std::to_string(value);
  return text.size() < 2 ? "0" + text : text;
}
}  // namespace

std::vector<std::string> deviceDateTimeFields(const ServiceState& service) {
  std::time_t now = std::time(nullptr) + static_cast<std::time_t>(service.clockOffset.count());
  std::tm local{};
  localtime_r(&now, &local);
  return {twoDigits(local.tm_mday) + twoDigits(local.tm_mon + 1) + twoDigits(local.tm_year % 100),
          twoDigits(local.tm_hour) + twoDigits(local.tm_min) + twoDigits(local.tm_sec)};
}

}  // namespace varek::sim

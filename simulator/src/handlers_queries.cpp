// Device information queries (0x00-0x06, 0x13, 0x81) and the counters and registers (0x01).
#include "Handlers.h"

namespace varek::sim {

namespace {

std::vector<std::string> threeInts(const std::array<int, 3>& values) {
  return {std::to_string(values[0]), std::to_string(values[1]), std::to_string(values[2])};
}

// A selector answered from a table: the selector, then its text.
Handler selectorLookup(const std::map<int, std::string>& table) {
  return [&table](const Request& request) {
    auto selector = intField(request, 0);
    if (!selector) return refuse(errors::kBadFieldValue);
    auto found = table.find(static_cast<int>(*selector));
    if (found == table.end()) return refuse(errors::kBadFieldValue);
    return ok({request.fields[0], found->second});
  };
}

std::string counterValue(const CounterSet& set, std::size_t index) {
  bool amount = set.kind == CounterSet::Kind::Amount ||
                (set.kind == CounterSet::Kind::RegisterTable && index % 2 == 1);
  return amount ? formatAmount(set.values[index]) : std::to_string(set.values[index]);
}

Reply counters(const DeviceInfo& device, const Request& request) {
  auto selector = intField(request, 0);
  if (!selector || *selector < 1 || *selector > 14) return refuse(errors::kBadFieldValue);
  const CounterSet& set = device.counters[static_cast<std::size_t>(*selector)];
  std::vector<std::string> fields{request.fields[0]};
  if (set.kind == CounterSet::Kind::RegisterTable) fields.push_back(set.text);
  for (std::size_t i = 0; i < set.values.size(); ++i) fields.push_back(counterValue(set, i));
  return ok(std::move(fields));
}

}  // namespace

void registerQueryHandlers(HandlerTable& table, DeviceContext& ctx) {
  DeviceInfo& device = ctx.model.device;
  table.define(0x00, 0, [&device](const Request&) { return ok(threeInts(device.statusFlags)); });
  table.define(0x01, 1, [&device](const Request& r) { return counters(device, r); });
  table.define(0x02, 1, selectorLookup(device.info));
  table.define(0x03, 1, selectorLookup(device.receiptData));
  table.define(0x04, 0, [&device](const Request&) { return ok(threeInts(device.printerStatus)); });
  table.define(0x05, 1, selectorLookup(device.serviceInfo));
  table.define(0x06, 1, [&device](const Request& r) {
    return ok({r.fields[0], std::to_string(device.lastErrorCode), device.lastErrorText});
  });
  ServiceState& service = ctx.model.service;
  table.define(0x13, 0, [&service](const Request&) { return ok(deviceDateTimeFields(service)); });
  table.define(0x81, 0,
               [&service](const Request&) { return ok({service.drawerOpen ? "1" : "0"}); });
}

}  // namespace varek::sim

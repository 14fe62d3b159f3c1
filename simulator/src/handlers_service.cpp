// Service and configuration commands (0x10-0x14, 0x80, 0x82, 0x90, 0x91, 0x93, 0x94, 0x9A,
// 0x9B).
#include <ctime>

#include "Handlers.h"

namespace varek::sim {

namespace {

constexpr int64_t kMaxMemoryRead = 1024;  // bytes; the hex reply must fit a 4096-byte frame

std::optional<int> digits(const std::string& text, std::size_t pos, std::size_t count) {
  if (pos + count > text.size()) return std::nullopt;
  auto value = parseInteger(std::string_view(text).substr(pos, count));
  if (!value) return std::nullopt;
  return static_cast<int>(*value);
}

// A date field "DDMMYY" (the year may have three digits) and a time field "HHMMSS" as the
// broken-down time they name; nothing when they are not a valid date and time.
std::optional<std::tm> parseDateTime(const std::string& date, const std::string& time) {
  auto day = digits(date, 0, 2), month = digits(date, 2, 2);
  auto year =
      date.size() >= 5 && date.size() <= 7 ? digits(date, 4, date.size() - 4) : std::nullopt;
  auto hour = digits(time, 0, 2), minute = digits(time, 2, 2), second = digits(time, 4, 2);
  if (!day || !month || !year || !hour || !minute || !second || time.size() != 6)
    return std::nullopt;
  if (*day < 1 || *day > 31 || *month < 1 || *month > 12 || *hour > 23 || *minute > 59 ||
      *second > 59)
    return std::nullopt;
  std::tm tm{};
  tm.tm_mday = *day;
  tm.tm_mon = *month - 1;
  tm.tm_year = 100 + *year;  // years count from 2000
  tm.tm_hour = *hour;
  tm.tm_min = *minute;
  tm.tm_sec = *second;
  return tm;
}

Reply setClock(ServiceState& service, const Request& r) {
  auto wanted = parseDateTime(r.fields[0], r.fields[1]);
  if (!wanted) return refuse(errors::kBadFieldValue);
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  // Both sides as if they were UTC: the difference is the offset between the clocks.
  service.clockOffset = std::chrono::seconds(timegm(&*wanted) - timegm(&local));
  return ok();
}

std::string hexBytes(const std::vector<uint8_t>& memory, int64_t address, int64_t length) {
  std::string text;
  for (int64_t i = 0; i < length; ++i) {
    auto at = static_cast<std::size_t>(address + i);
    uint8_t byte = at < memory.size() ? memory[at] : 0;
    const char* hex = "0123456789ABCDEF";
    text.push_back(hex[byte >> 4]);
    text.push_back(hex[byte & 0x0F]);
  }
  return text;
}

Reply readMemory(const ServiceState& service, const Request& r) {
  auto kind = intField(r, 0), address = intField(r, 1), length = intField(r, 2);
  if (!kind || !address || !length || *address < 0 || *address > INT32_MAX || *length < 0 ||
      *length > kMaxMemoryRead)
    return refuse(errors::kBadFieldValue);
  auto found = service.memory.find(static_cast<int>(*kind));
  static const std::vector<uint8_t> empty;
  Reply reply = ok();
  reply.rawPayload =
      hexBytes(found == service.memory.end() ? empty : found->second, *address, *length);
  return reply;
}

void registerSettings(HandlerTable& table, ServiceState& service) {
  table.define(0x11, 2, [&service](const Request& r) {
    auto tableNumber = intField(r, 0), index = intField(r, 1);
    if (!tableNumber || !index) return refuse(errors::kBadFieldValue);
    auto found = service.settings.find({static_cast<int>(*tableNumber), static_cast<int>(*index)});
    return ok({r.fields[0], r.fields[1],
               found == service.settings.end() ? std::string("0") : found->second});
  });
  table.define(0x12, 3, [&service](const Request& r) {
    auto tableNumber = intField(r, 0), index = intField(r, 1);
    if (!tableNumber || !index) return refuse(errors::kBadFieldValue);
    service.settings[{static_cast<int>(*tableNumber), static_cast<int>(*index)}] = r.fields[2];
    return ok();
  });
}

void registerDevice(HandlerTable& table, DeviceContext& ctx) {
  ServiceState& service = ctx.model.service;
  table.define(0x80, 1, [&service](const Request&) {
    service.drawerOpen = true;
    return ok();
  });
  table.define(0x82, 1, [&service](const Request&) {
    ++service.beeps;
    return ok();
  });
  table.define(0x93, 1, [&service](const Request& r) {
    auto code = intField(r, 0);
    if (!code) return refuse(errors::kBadFieldValue);
    service.speedCode = static_cast<int>(*code);
    return ok();
  });
  table.define(0x94, 0, [&ctx](const Request&) {
    ctx.paper.printLine("*** SERVICE DATA ***");
    for (const auto& [key, text] : ctx.model.device.info)
      ctx.paper.printLine(std::to_string(key) + ": " + text);
    return ok();
  });
  table.define(0x9A, 0, [](const Request&) { return ok(); });
  table.define(0x9B, 0, [](const Request&) { return ok(); });
}

}  // namespace

void registerServiceHandlers(HandlerTable& table, DeviceContext& ctx) {
  ServiceState& service = ctx.model.service;
  table.define(0x10, 2, [&service](const Request& r) {
    Reply reply = setClock(service, r);
    if (reply.errorCode == 0) service.workStarted = true;
    return reply;
  });
  table.define(0x14, 2, [&service](const Request& r) { return setClock(service, r); });
  table.define(0x90, 3, [&service](const Request& r) {
    if (!parseDateTime(r.fields[0], r.fields[1])) return refuse(errors::kBadFieldValue);
    service.authorized = true;
    return ok();
  });
  table.define(0x91, 3, [&service, &graphics = ctx.model.graphics](const Request& r) {
    Reply reply = readMemory(service, r);
    if (reply.errorCode == 0 && reply.rawPayload) overlayLogoMemory(graphics, r, *reply.rawPayload);
    return reply;
  });
  registerSettings(table, service);
  registerDevice(table, ctx);
}

}  // namespace varek::sim

// The register model's command handlers, one registration function per command group.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "varek_sim/Paper.h"
#include "varek_sim/RegisterModel.h"
#include "varek_sim/VirtualPrinter.h"

namespace varek::sim {

// What a handler works on. Handlers run on the device thread with the model locked.
struct DeviceContext {
  RegisterModel& model;
  Paper& paper;
};

class HandlerTable {
 public:
  // Registers fn for code; the device refuses requests whose field count lies outside
  // [minFields, maxFields] before fn sees them.
  void define(uint8_t code, std::size_t minFields, std::size_t maxFields, Handler fn);
  void define(uint8_t code, std::size_t fields, Handler fn) {
    define(code, fields, fields, std::move(fn));
  }
  const Handler& operator[](uint8_t code) const { return handlers_[code]; }

 private:
  std::array<Handler, 256> handlers_;
};

void registerQueryHandlers(HandlerTable& table, DeviceContext& ctx);
void registerDocumentHandlers(HandlerTable& table, DeviceContext& ctx);
void registerReportHandlers(HandlerTable& table, DeviceContext& ctx);
void registerEctHandlers(HandlerTable& table, DeviceContext& ctx);
void registerServiceHandlers(HandlerTable& table, DeviceContext& ctx);
void registerGraphicsHandlers(HandlerTable& table, DeviceContext& ctx);

inline void registerAllHandlers(HandlerTable& table, DeviceContext& ctx) {
  registerQueryHandlers(table, ctx);
  registerDocumentHandlers(table, ctx);
  registerReportHandlers(table, ctx);
  registerEctHandlers(table, ctx);
  registerServiceHandlers(table, ctx);
  registerGraphicsHandlers(table, ctx);
}

// Small helpers for handlers.
inline Reply ok(std::vector<std::string> fields = {}) {
  Reply reply;
  reply.fields = std::move(fields);
  return reply;
}
inline Reply refuse(uint8_t code) {
  Reply reply;
  reply.errorCode = code;
  return reply;
}

// The number of raw bytes that follow the ACK of a block-transfer command (0x15, 0x17, 0x18,
// 0x55); nothing for every other command. Fields that are not numbers announce no data.
std::optional<std::size_t> blockTransferBytes(const Request& request);

// Puts the bytes of the stored logo (its descriptor and its rows) into the hexadecimal text a
// memory read (0x91) answers with, where the read falls on them.
void overlayLogoMemory(const GraphicsState& graphics, const Request& request, std::string& hex);

// Field i as an integer or amount; nothing when it is not one.
std::optional<int64_t> intField(const Request& request, std::size_t index);
std::optional<int64_t> amountField(const Request& request, std::size_t index);

// The device's local date and time now: "DDMMYY" and "HHMMSS".
std::vector<std::string> deviceDateTimeFields(const ServiceState& service);

}  // namespace varek::sim

// Shift reports (0x20, 0x21, 0xA0, 0xA1), fiscalization and fiscal-memory reports (0x60-0x62,
// 0xA3). The shift is opened by its first document; the Z report (or the emergency close)
// writes its figures to the fiscal memory, zeroes the shift counters and moves the shift on.
#include "Handlers.h"
#include "sale_model.h"
#include "shift_model.h"

namespace varek::sim {

namespace {

// Reports are printed between documents, never in the middle of a receipt.
bool documentOpen(const DeviceContext& ctx) {
  return ctx.model.document.open;
}

Reply xReport(DeviceContext& ctx, const Request& r) {
  if (documentOpen(ctx)) return refuse(errors::kDocumentOpen);
  printLines(ctx.paper, shiftReportLines(ctx.model, "X REPORT", r.fields[0]));
  return ok();
}

Reply zReport(DeviceContext& ctx, const Request& r) {
  if (documentOpen(ctx)) return refuse(errors::kDocumentOpen);
  ShiftState& shift = ctx.model.shift;
  if (!shift.open) return refuse(errors::kShiftClosed);
  std::vector<std::string> lines =
      shiftReportLines(ctx.model, "Z REPORT " + std::to_string(shift.zReports + 1), r.fields[0]);
  closeShift(ctx.model, false);
  ++shift.zReports;
  lines.push_back("SHIFT CLOSED");
  printLines(ctx.paper, lines);
  shift.lastZReport = std::move(lines);
  return ok();
}

// Closes the shift when no Z report can be printed; a document left open is dropped unbooked.
Reply emergencyClose(DeviceContext& ctx) {
  if (!ctx.model.shift.open) return refuse(errors::kShiftClosed);
  const int64_t cash = ctx.model.document.cashInDrawer;
  ctx.model.document = DocumentState{};
  ctx.model.document.cashInDrawer = cash;
  FiscalRecord record = closeShift(ctx.model, true);
  printLines(ctx.paper, {"*** EMERGENCY SHIFT CLOSE ***", recordLine(record), "SHIFT CLOSED"});
  return ok();
}

Reply copyOfZReport(DeviceContext& ctx) {
  if (documentOpen(ctx)) return refuse(errors::kDocumentOpen);
  if (ctx.model.shift.lastZReport.empty()) return refuse(errors::kNoZReport);
  ctx.paper.printLine("*** COPY ***");
  printLines(ctx.paper, ctx.model.shift.lastZReport);
  return ok();
}

std::vector<std::string> registrationLines(const ShiftState& shift, const std::string& title) {
  std::vector<std::string> lines = {"*** " + title + " ***",
                                    "REGISTRATION " + std::to_string(shift.fiscalizations) + "  " +
                                        printedDate(shift.fiscalizationDate),
                                    "FROM SHIFT " + std::to_string(shift.number)};
  for (const auto& text : shift.registration) lines.push_back(text);
  return lines;
}

// Registers the device with the tax office: only between shifts.
Reply fiscalize(DeviceContext& ctx, const Request& r) {
  if (documentOpen(ctx)) return refuse(errors::kDocumentOpen);
  ShiftState& shift = ctx.model.shift;
  if (shift.open) return refuse(errors::kShiftOpen);
  shift.fiscalized = true;
  ++shift.fiscalizations;
  shift.fiscalizationDate = deviceDate(ctx.model.service);
  for (std::size_t i = 0; i < shift.registration.size(); ++i) shift.registration[i] = r.fields[i];
  printLines(ctx.paper, registrationLines(shift, "FISCALIZATION"));
  return ok();
}

Reply copyOfFiscalization(DeviceContext& ctx) {
  if (documentOpen(ctx)) return refuse(errors::kDocumentOpen);
  if (!ctx.model.shift.fiscalized) return refuse(errors::kNotFiscalized);
  printLines(ctx.paper, registrationLines(ctx.model.shift, "COPY OF FISCALIZATION"));
  return ok();
}

std::vector<std::string> fiscalReportHeader(const ShiftState& shift, const std::string& range) {
  std::vector<std::string> lines = {"*** FISCAL MEMORY REPORT ***", range};
  if (!shift.fiscalized) lines.push_back("NOT FISCALIZED");
  return lines;
}

Reply fiscalReport(DeviceContext& ctx, const Request& r, bool byDate) {
  ReportRange range;
  if (auto refusal = readRange(r, byDate, range)) return refuse(*refusal);
  if (documentOpen(ctx)) return refuse(errors::kDocumentOpen);
  const ShiftState& shift = ctx.model.shift;
  auto lines = fiscalReportHeader(shift, range.title);
  if (!r.fields[3].empty()) lines.push_back(r.fields[3]);
  for (auto& line : rangeReport(shift.fiscalMemory, range)) lines.push_back(std::move(line));
  printLines(ctx.paper, lines);
  return ok();
}

void registerShiftReports(HandlerTable& table, DeviceContext& ctx) {
  table.define(0x20, 1, [&ctx](const Request& r) { return xReport(ctx, r); });
  // The Z report takes its text and, optionally, the number 11.
  table.define(0x21, 1, 2, [&ctx](const Request& r) { return zReport(ctx, r); });
  table.define(0xA0, 0, [&ctx](const Request&) { return emergencyClose(ctx); });
  table.define(0xA1, 0, [&ctx](const Request&) { return copyOfZReport(ctx); });
}

void registerFiscalMemory(HandlerTable& table, DeviceContext& ctx) {
  table.define(0x60, 4, [&ctx](const Request& r) { return fiscalize(ctx, r); });
  table.define(0x61, 4, [&ctx](const Request& r) { return fiscalReport(ctx, r, false); });
  table.define(0x62, 4, [&ctx](const Request& r) { return fiscalReport(ctx, r, true); });
  table.define(0xA3, 0, [&ctx](const Request&) { return copyOfFiscalization(ctx); });
}

}  // namespace

void registerReportHandlers(HandlerTable& table, DeviceContext& ctx) {
  registerShiftReports(table, ctx);
  registerFiscalMemory(table, ctx);
}

}  // namespace varek::sim

// Shift reports (0x20, 0x21, 0xA0, 0xA1), fiscalization and fiscal-memory reports (0x60-0x62,
// 0xA3).
#include "Handlers.h"

namespace varek::sim {

namespace {

void printReport(DeviceContext& ctx, const std::string& title, const std::string& text) {
  ctx.paper.printLine("*** " + title + " ***");
  if (!text.empty()) ctx.paper.printLine(text);
  ctx.paper.printLine("SHIFT " + std::to_string(ctx.model.shift.number) + "  SALES " +
                      formatAmount(ctx.model.device.counters[13].values.at(0)));
}

// Closes the shift: the next document opens shift number + 1.
void closeShift(DeviceContext& ctx) {
  ShiftState& shift = ctx.model.shift;
  shift.open = false;
  ++shift.number;
  ++shift.zReports;
  ctx.model.device.counters[1].values.assign(1, shift.number);
}

void registerShiftReports(HandlerTable& table, DeviceContext& ctx) {
  table.define(0x20, 1, [&ctx](const Request& r) {
    printReport(ctx, "X REPORT", r.fields[0]);
    return ok();
  });
  table.define(0x21, 1, 2, [&ctx](const Request& r) {
    printReport(ctx, "Z REPORT", r.fields[0]);
    closeShift(ctx);
    return ok();
  });
  table.define(0xA0, 0, [&ctx](const Request&) {
    ctx.paper.printLine("*** SHIFT CLOSED (EMERGENCY) ***");
    closeShift(ctx);
    return ok();
  });
  table.define(0xA1, 0, [&ctx](const Request&) {
    ctx.paper.printLine("*** COPY OF Z REPORT " + std::to_string(ctx.model.shift.zReports) +
                        " ***");
    return ok();
  });
}

void registerFiscalMemory(HandlerTable& table, DeviceContext& ctx) {
  table.define(0x60, 4, [&ctx](const Request& r) {
    ShiftState& shift = ctx.model.shift;
    shift.fiscalized = true;
    for (std::size_t i = 0; i < shift.registration.size(); ++i) shift.registration[i] = r.fields[i];
    ctx.paper.printLine("*** FISCALIZATION ***");
    for (const auto& text : shift.registration) ctx.paper.printLine(text);
    return ok();
  });
  table.define(0x61, 4, [&ctx](const Request& r) {
    ctx.paper.printLine("*** FISCAL REPORT SHIFTS " + r.fields[1] + "-" + r.fields[2] + " ***");
    return ok();
  });
  table.define(0x62, 4, [&ctx](const Request& r) {
    ctx.paper.printLine("*** FISCAL REPORT DATES " + r.fields[1] + "-" + r.fields[2] + " ***");
    return ok();
  });
  table.define(0xA3, 0, [&ctx](const Request&) {
    ctx.paper.printLine("*** COPY OF FISCALIZATION REPORT ***");
    for (const auto& text : ctx.model.shift.registration) ctx.paper.printLine(text);
    return ok();
  });
}

}  // namespace

void registerReportHandlers(HandlerTable& table, DeviceContext& ctx) {
  registerShiftReports(table, ctx);
  registerFiscalMemory(table, ctx);
}

}  // namespace varek::sim

// Electronic control tape commands (0x70-0x78, 0xA2).
#include "Handlers.h"

namespace varek::sim {

namespace {

Handler printing(DeviceContext& ctx, std::string title) {
  return [&ctx, title = std::move(title)](const Request& r) {
    std::string line = "*** ECT " + title;
    for (const auto& field : r.fields) line += " " + field;
    ctx.paper.printLine(line + " ***");
    return ok();
  };
}

// Information kinds 10 to 13 carry one or two numbers after the kind.
Reply ectInfo(const EctState& ect, const Request& r) {
  auto kind = intField(r, 0);
  if (!kind) return refuse(errors::kBadFieldValue);
  return ok({r.fields[0], std::to_string(ect.number), ect.active ? "1" : "0"});
}

}  // namespace

void registerEctHandlers(HandlerTable& table, DeviceContext& ctx) {
  EctState& ect = ctx.model.ect;
  table.define(0x70, 0, [&ect](const Request&) {
    ect.active = true;
    ect.archiveClosed = false;
    return ok();
  });
  table.define(0x71, 0, [&ect](const Request&) {
    ect.archiveClosed = true;
    ect.active = false;
    ++ect.number;
    return ok();
  });
  table.define(0x72, 1, printing(ctx, "CONTROL TAPE"));
  table.define(0x73, 1, printing(ctx, "DOCUMENT"));
  table.define(0x74, 3, printing(ctx, "REPORT BY SHIFTS"));
  table.define(0x75, 3, printing(ctx, "REPORT BY DATES"));
  table.define(0x76, 0, printing(ctx, "ACTIVATION REPORT"));
  table.define(0x77, 1, printing(ctx, "SHIFT REPORT"));
  table.define(0x78, 1, 3, [&ect](const Request& r) { return ectInfo(ect, r); });
  table.define(0xA2, 0, [&ect](const Request&) {
    ect.serviceChannel = true;
    return ok();
  });
}

}  // namespace varek::sim

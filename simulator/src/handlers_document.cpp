// Fiscal document lifecycle (0x30-0x34) and the in-document commands (0x40-0x56).
// A simple register: it accepts the commands in any order, collects the document's lines and
// prints them when the document is closed.
#include "Handlers.h"

namespace varek::sim {

namespace {

void beginDocument(DeviceContext& ctx, const Request& request) {
  DocumentState& doc = ctx.model.document;
  auto type = intField(request, 0).value_or(0);
  doc = DocumentState{};
  doc.open = true;
  doc.type = static_cast<int>(type);
  doc.batch = (type & 0x10) != 0;
  ctx.model.shift.open = true;
  doc.lines.push_back("DOCUMENT " + std::to_string(ctx.model.shift.documentNumber) + "  " +
                      request.fields[2]);
}

void addLine(DeviceContext& ctx, std::string line) {
  ctx.model.document.lines.push_back(std::move(line));
}

// Prints the document and moves the document number on; returns its number.
int finishDocument(DeviceContext& ctx, const std::string& footer) {
  DocumentState& doc = ctx.model.document;
  for (const auto& line : doc.lines) ctx.paper.printLine(line);
  ctx.paper.printLine(footer);
  int number = ctx.model.shift.documentNumber++;
  ctx.model.device.counters[2].values.assign(1, ctx.model.shift.documentNumber);
  doc = DocumentState{};
  return number;
}

Reply addPosition(DeviceContext& ctx, const Request& r, int sign) {
  auto quantity = parseDecimal(r.fields[2], 3);
  auto price = amountField(r, 3);
  if (!quantity || !price) return refuse(errors::kBadFieldValue);
  int64_t sum = *quantity * *price / 1000 * sign;
  ctx.model.document.total += sum;
  addLine(ctx, (sign < 0 ? "STORNO " : "") + r.fields[0] + " " + r.fields[1] + "  " + r.fields[2] +
                   " x " + r.fields[3] + " = " + formatAmount(sum));
  return ok();
}

Reply adjustTotal(DeviceContext& ctx, const Request& r, int sign, const char* label) {
  auto kind = intField(r, 0);
  auto value = parseDecimal(r.fields[2], 2);
  if (!kind || !value) return refuse(errors::kBadFieldValue);
  // Kind 0 is a percentage of the running total, any other kind an amount.
  int64_t sum = *kind == 0 ? ctx.model.document.total * *value / 10000 : *value;
  ctx.model.document.total += sign * sum;
  addLine(ctx, std::string(label) + " " + r.fields[1] + " " + formatAmount(sign * sum));
  return ok();
}

void registerLifecycle(HandlerTable& table, DeviceContext& ctx) {
  table.define(0x30, 4, [&ctx](const Request& r) {
    beginDocument(ctx, r);
    return ok({std::to_string(ctx.model.shift.documentNumber)});
  });
  table.define(0x31, 1, [&ctx](const Request&) {
    int64_t total = ctx.model.document.total;
    int number = finishDocument(ctx, "TOTAL " + formatAmount(total));
    return ok({std::to_string(number), formatAmount(total)});
  });
  table.define(0x32, 0, [&ctx](const Request&) {
    finishDocument(ctx, "CANCELLED");
    return ok();
  });
  table.define(0x33, 1, [&ctx](const Request& r) {
    finishDocument(ctx, "POSTPONED " + r.fields[0]);
    return ok();
  });
  table.define(0x34, 0, [&ctx](const Request&) {
    ctx.paper.printLine("--------------------------------");
    return ok();
  });
}

void registerContent(HandlerTable& table, DeviceContext& ctx) {
  table.define(0x40, 2, [&ctx](const Request& r) {
    addLine(ctx, r.fields[0]);
    return ok();
  });
  table.define(0x41, 5, [&ctx](const Request& r) {
    addLine(ctx, "||| " + r.fields[4] + " |||");
    return ok();
  });
  table.define(0x42, 7, [&ctx](const Request& r) { return addPosition(ctx, r, 1); });
  table.define(0x43, 7, [&ctx](const Request& r) { return addPosition(ctx, r, -1); });
  table.define(0x44, 0, [&ctx](const Request&) {
    addLine(ctx, "SUBTOTAL " + formatAmount(ctx.model.document.total));
    return ok({formatAmount(ctx.model.document.total)});
  });
  table.define(0x45, 3, [&ctx](const Request& r) { return adjustTotal(ctx, r, -1, "DISCOUNT"); });
  table.define(0x46, 3, [&ctx](const Request& r) { return adjustTotal(ctx, r, 1, "MARGIN"); });
  table.define(0x47, 3, [&ctx](const Request& r) {
    auto amount = amountField(r, 1);
    if (!amount) return refuse(errors::kBadFieldValue);
    DocumentState& doc = ctx.model.document;
    doc.paid += *amount;
    addLine(ctx, "PAYMENT " + r.fields[0] + " " + r.fields[2] + " " + formatAmount(*amount));
    int64_t due = doc.total - doc.paid;
    return ok({formatAmount(due > 0 ? due : 0), formatAmount(due < 0 ? -due : 0)});
  });
}

void registerOther(HandlerTable& table, DeviceContext& ctx) {
  table.define(0x48, 2, [&ctx](const Request& r) {
    auto amount = amountField(r, 1);
    if (!amount) return refuse(errors::kBadFieldValue);
    addLine(ctx, "CASH " + r.fields[0] + " " + formatAmount(*amount));
    return ok();
  });
  table.define(0x49, 6, [&ctx](const Request& r) {
    addLine(ctx, r.fields[2] + " " + r.fields[3] + " " + r.fields[4] + " " + r.fields[5]);
    return ok();
  });
  table.define(0x50, 3, [&ctx](const Request& r) {
    addLine(ctx, "DEPARTMENT " + r.fields[0] + " " + r.fields[2]);
    return ok();
  });
  table.define(0x51, 2, [&ctx](const Request& r) {
    addLine(ctx, "TAX " + r.fields[0] + " " + r.fields[1]);
    return ok();
  });
  table.define(0x52, 1, [&ctx](const Request& r) {
    auto amount = amountField(r, 0);
    if (!amount) return refuse(errors::kBadFieldValue);
    return ok({formatAmount(ctx.model.document.total)});
  });
  table.define(0x53, 7, [&ctx](const Request& r) {
    beginDocument(ctx, r);
    addLine(ctx, "COPY OF " + r.fields[3] + " " + r.fields[5] + " " + r.fields[6]);
    return ok();
  });
  table.define(0x54, 0, [&ctx](const Request&) {
    addLine(ctx, "CASH IN DRAWER SET TO ZERO");
    return ok();
  });
}

}  // namespace

void registerDocumentHandlers(HandlerTable& table, DeviceContext& ctx) {
  registerLifecycle(table, ctx);
  registerContent(table, ctx);
  registerOther(table, ctx);
}

}  // namespace varek::sim

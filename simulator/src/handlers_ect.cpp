// Electronic control tape commands (0x70-0x78, 0xA2). The ECT keeps the shifts closed while it
// was active; it is activated between shifts and its archive closed between shifts.
#include "Handlers.h"
#include "sale_model.h"
#include "shift_model.h"

namespace varek::sim {

namespace {

// What the ECT knows: the shifts written to it and, while it is active, the working shift.
std::vector<FiscalRecord> shiftsOnTape(const RegisterModel& model) {
  std::vector<FiscalRecord> shifts = model.ect.shifts;
  if (model.ect.active && model.shift.open) shifts.push_back(currentShiftFigures(model));
  return shifts;
}

const FiscalRecord* findShift(const std::vector<FiscalRecord>& shifts, int64_t number) {
  for (const auto& record : shifts)
    if (record.shift == number) return &record;
  return nullptr;
}

// The shift that holds a document: documents are numbered on across shifts.
const FiscalRecord* findDocument(const std::vector<FiscalRecord>& shifts, int64_t document) {
  int firstOfShift = 1;
  for (const auto& record : shifts) {
    if (document >= firstOfShift && document <= record.lastDocument) return &record;
    firstOfShift = record.lastDocument + 1;
  }
  return nullptr;
}

// Printing from the tape needs an active ECT and no document in progress.
std::optional<uint8_t> cannotPrint(const RegisterModel& model) {
  if (!model.ect.active) return errors::kEctNotActive;
  if (model.document.open) return errors::kDocumentOpen;
  return std::nullopt;
}

Reply activate(DeviceContext& ctx) {
  EctState& ect = ctx.model.ect;
  if (ect.active) return refuse(errors::kEctActive);
  if (ctx.model.shift.open) return refuse(errors::kShiftOpen);
  ect.active = true;
  ect.archiveClosed = false;
  ect.activationDate = deviceDate(ctx.model.service);
  ect.activationShift = ctx.model.shift.number;
  ect.shifts.clear();
  ctx.paper.printLine("*** ECT " + std::to_string(ect.number) + " ACTIVATED ***");
  return ok();
}

Reply closeArchive(DeviceContext& ctx) {
  EctState& ect = ctx.model.ect;
  if (!ect.active) return refuse(errors::kEctNotActive);
  if (ctx.model.shift.open) return refuse(errors::kShiftOpen);
  ctx.paper.printLine("*** ECT " + std::to_string(ect.number) + " ARCHIVE CLOSED ***");
  ect.active = false;
  ect.archiveClosed = true;
  ++ect.number;
  return ok();
}

std::vector<std::string> shiftLines(const FiscalRecord& record) {
  return {recordLine(record), "  DOCUMENTS " + std::to_string(record.documents) + "  LAST " +
                                  std::to_string(record.lastDocument)};
}

Reply printShift(DeviceContext& ctx, const Request& r, const std::string& title) {
  if (auto refusal = cannotPrint(ctx.model)) return refuse(*refusal);
  auto number = intField(r, 0);
  if (!number) return refuse(errors::kBadFieldValue);
  const auto shifts = shiftsOnTape(ctx.model);
  const FiscalRecord* record = findShift(shifts, *number);
  if (!record) return refuse(errors::kNotOnEct);
  ctx.paper.printLine("*** ECT " + title + " ***");
  printLines(ctx.paper, shiftLines(*record));
  return ok();
}

Reply printDocument(DeviceContext& ctx, const Request& r) {
  if (auto refusal = cannotPrint(ctx.model)) return refuse(*refusal);
  auto number = intField(r, 0);
  if (!number) return refuse(errors::kBadFieldValue);
  const auto shifts = shiftsOnTape(ctx.model);
  const FiscalRecord* record = findDocument(shifts, *number);
  if (!record) return refuse(errors::kNotOnEct);
  printLines(ctx.paper, {"*** ECT DOCUMENT " + r.fields[0] + " ***",
                         "SHIFT " + std::to_string(record->shift) + " " + printedDate(record->date),
                         "ECT " + std::to_string(ctx.model.ect.number)});
  return ok();
}

Reply printRange(DeviceContext& ctx, const Request& r, bool byDate) {
  ReportRange range;
  if (auto refusal = readRange(r, byDate, range)) return refuse(*refusal);
  if (auto refusal = cannotPrint(ctx.model)) return refuse(*refusal);
  ctx.paper.printLine("*** ECT REPORT " + range.title + " ***");
  printLines(ctx.paper, rangeReport(shiftsOnTape(ctx.model), range));
  return ok();
}

Reply activationReport(DeviceContext& ctx) {
  const EctState& ect = ctx.model.ect;
  if (ect.activationDate == 0) return refuse(errors::kEctNotActive);
  if (ctx.model.document.open) return refuse(errors::kDocumentOpen);
  std::vector<std::string> lines = {
      "*** ECT ACTIVATION REPORT ***",
      "ECT " + std::to_string(ect.number) + "  " + printedDate(ect.activationDate),
      "FROM SHIFT " + std::to_string(ect.activationShift)};
  for (const auto& text : ctx.model.shift.registration)
    if (!text.empty()) lines.push_back(text);
  printLines(ctx.paper, lines);
  return ok();
}

std::string text(int64_t value) {
  return std::to_string(value);
}

// Kinds 0-9: the state of the tape; 10: a shift's figures; 11: the shift of a document;
// 12: the documents of a shift; 13: the totals of a range of shifts.
Reply info(const RegisterModel& model, const Request& r) {
  auto kind = intField(r, 0);
  if (!kind || *kind < 0 || *kind > 13) return refuse(errors::kBadFieldValue);
  const auto shifts = shiftsOnTape(model);
  const EctState& ect = model.ect;
  if (*kind < 10)
    return ok({r.fields[0], text(ect.number), ect.active ? "1" : "0",
               text(static_cast<int64_t>(ect.shifts.size())),
               ect.activationDate ? printedDate(ect.activationDate) : ""});
  auto value1 = intField(r, 1);
  if (!value1) return refuse(errors::kWrongFieldCount);
  if (*kind == 13) {
    auto value2 = intField(r, 2);
    if (!value2) return refuse(errors::kWrongFieldCount);
    if (*value1 > *value2) return refuse(errors::kReversedRange);
    int64_t sales = 0, returns = 0, count = 0;
    for (const auto& f : shifts)
      if (f.shift >= *value1 && f.shift <= *value2) {
        ++count;
        sales += f.sales;
        returns += f.returns;
      }
    return ok({r.fields[0], text(count), formatAmount(sales), formatAmount(returns)});
  }
  const FiscalRecord* record =
      *kind == 11 ? findDocument(shifts, *value1) : findShift(shifts, *value1);
  if (!record) return refuse(errors::kNotOnEct);
  if (*kind == 10)
    return ok({r.fields[0], text(record->shift), printedDate(record->date),
               formatAmount(record->sales), formatAmount(record->returns)});
  if (*kind == 11) return ok({r.fields[0], r.fields[1], text(record->shift)});
  return ok(
      {r.fields[0], text(record->shift), text(record->documents), text(record->lastDocument)});
}

}  // namespace

void registerEctHandlers(HandlerTable& table, DeviceContext& ctx) {
  table.define(0x70, 0, [&ctx](const Request&) { return activate(ctx); });
  table.define(0x71, 0, [&ctx](const Request&) { return closeArchive(ctx); });
  table.define(0x72, 1, [&ctx](const Request& r) { return printShift(ctx, r, "CONTROL TAPE"); });
  table.define(0x73, 1, [&ctx](const Request& r) { return printDocument(ctx, r); });
  table.define(0x74, 3, [&ctx](const Request& r) { return printRange(ctx, r, false); });
  table.define(0x75, 3, [&ctx](const Request& r) { return printRange(ctx, r, true); });
  table.define(0x76, 0, [&ctx](const Request&) { return activationReport(ctx); });
  table.define(0x77, 1, [&ctx](const Request& r) { return printShift(ctx, r, "SHIFT REPORT"); });
  table.define(0x78, 1, 3, [&ctx](const Request& r) { return info(ctx.model, r); });
  table.define(0xA2, 0, [&ctx](const Request&) {
    ctx.model.ect.serviceChannel = true;
    return ok();
  });
}

}  // namespace varek::sim

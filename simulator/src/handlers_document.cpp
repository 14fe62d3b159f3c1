// Fiscal document lifecycle (0x30-0x34) and the in-document commands (0x40-0x54): the handlers
// read the fields the way the device does and leave the rules of a sale to the sale model.
#include <string_view>

#include "Handlers.h"
#include "sale_model.h"

namespace varek::sim {

namespace {

// A decimal with a point, as a whole number of 10^-decimals units. The device keeps
// hundredths of money and thousandths of quantities and percentages; a value with finer
// non-zero digits is refused rather than cut.
std::optional<int64_t> exactFixed(const Request& r, std::size_t index, int decimals) {
  std::string_view text = r.fields[index];
  auto point = text.find('.');
  if (point != std::string_view::npos) {
    std::string_view fraction = text.substr(point + 1);
    for (std::size_t i = static_cast<std::size_t>(decimals); i < fraction.size(); ++i)
      if (fraction[i] != '0') return std::nullopt;
  }
  return parseDecimal(text, decimals);
}

std::optional<int> byteField(const Request& r, std::size_t index) {
  auto value = intField(r, index);
  if (!value || *value < 0 || *value > 255) return std::nullopt;
  return static_cast<int>(*value);
}

Reply badField() {
  return refuse(errors::kBadFieldValue);
}

// Commands of a batch-mode document that come after a refusal are not carried out: the close
// reports the refusal and the document can only be cancelled.
Handler skippedAfterBatchRefusal(DeviceContext& ctx, uint8_t code, Handler fn) {
  return [&ctx, code, fn = std::move(fn)](const Request& r) {
    const DocumentState& doc = ctx.model.document;
    if (doc.open && doc.batch && doc.batchError != 0 && silentInBatchMode(code)) return ok();
    return fn(r);
  };
}

void define(HandlerTable& table, DeviceContext& ctx, uint8_t code, std::size_t fields, Handler fn) {
  table.define(code, fields, skippedAfterBatchRefusal(ctx, code, std::move(fn)));
}

std::optional<PositionRequest> positionFields(const Request& r) {
  auto quantity = exactFixed(r, 2, 3);
  auto price = exactFixed(r, 3, 2);
  auto department = byteField(r, 4);
  auto taxGroup = byteField(r, 5);
  if (!quantity || !price || !department || !taxGroup || !byteField(r, 6)) return std::nullopt;
  return PositionRequest{r.fields[0], r.fields[1], *quantity, *price, *department, *taxGroup};
}

Reply adjustment(DeviceContext& ctx, const Request& r, bool isMargin) {
  auto kind = byteField(r, 0);
  if (!kind) return badField();
  const bool isPercent = *kind == 0;
  auto value = exactFixed(r, 2, isPercent ? 3 : 2);
  if (!value) return badField();
  return SaleModel(ctx).adjust(isMargin, isPercent, r.fields[1], *value);
}

void registerLifecycle(HandlerTable& table, DeviceContext& ctx) {
  define(table, ctx, 0x30, 4, [&ctx](const Request& r) {
    auto type = byteField(r, 0);
    auto operatorNumber = byteField(r, 1);
    auto customer = intField(r, 3);
    if (!type || !operatorNumber || !customer) return badField();
    return SaleModel(ctx).open({*type, *operatorNumber, r.fields[2], *customer});
  });
  define(table, ctx, 0x31, 1, [&ctx](const Request& r) {
    if (!byteField(r, 0)) return badField();
    return SaleModel(ctx).close();
  });
  define(table, ctx, 0x32, 0, [&ctx](const Request&) { return SaleModel(ctx).cancel(); });
  define(table, ctx, 0x33, 1,
         [&ctx](const Request& r) { return SaleModel(ctx).postpone(r.fields[0]); });
  define(table, ctx, 0x34, 0, [&ctx](const Request&) { return SaleModel(ctx).cut(); });
}

void registerContent(HandlerTable& table, DeviceContext& ctx) {
  define(table, ctx, 0x42, 7, [&ctx](const Request& r) {
    auto position = positionFields(r);
    return position ? SaleModel(ctx).addPosition(*position) : badField();
  });
  define(table, ctx, 0x43, 7, [&ctx](const Request& r) {
    auto position = positionFields(r);
    return position ? SaleModel(ctx).stornoPosition(*position) : badField();
  });
  define(table, ctx, 0x44, 0, [&ctx](const Request&) { return SaleModel(ctx).subtotal(); });
  define(table, ctx, 0x45, 3,
         [&ctx](const Request& r) { return adjustment(ctx, r, /*isMargin=*/false); });
  define(table, ctx, 0x46, 3,
         [&ctx](const Request& r) { return adjustment(ctx, r, /*isMargin=*/true); });
  define(table, ctx, 0x47, 3, [&ctx](const Request& r) {
    auto type = byteField(r, 0);
    auto amount = exactFixed(r, 1, 2);
    if (!type || !amount) return badField();
    return SaleModel(ctx).pay(*type, *amount, r.fields[2]);
  });
  define(table, ctx, 0x52, 1, [&ctx](const Request& r) {
    auto amount = exactFixed(r, 0, 2);
    return amount ? SaleModel(ctx).compareSum(*amount) : badField();
  });
}

void registerOther(HandlerTable& table, DeviceContext& ctx) {
  define(table, ctx, 0x40, 2, [&ctx](const Request& r) {
    if (!byteField(r, 1)) return badField();
    return SaleModel(ctx).printText(r.fields[0]);
  });
  define(table, ctx, 0x41, 5, [&ctx](const Request& r) {
    auto symbology = byteField(r, 0);
    if (!symbology || !byteField(r, 1) || !byteField(r, 2) || !byteField(r, 3)) return badField();
    SaleModel sale(ctx);
    Reply reply = sale.printText("||| || | ||| | || |||| | ||| || |||");
    if (reply.errorCode == 0)
      sale.printText("BARCODE " + std::to_string(*symbology) + ": " + r.fields[4]);
    return reply;
  });
  define(table, ctx, 0x48, 2, [&ctx](const Request& r) {
    auto amount = exactFixed(r, 1, 2);
    return amount ? SaleModel(ctx).cashInOut(r.fields[0], *amount) : badField();
  });
  define(table, ctx, 0x49, 6, [&ctx](const Request& r) {
    if (!byteField(r, 0) || !byteField(r, 1)) return badField();
    SaleModel sale(ctx);
    Reply reply = ok();
    for (std::size_t i = 2; i < 6 && reply.errorCode == 0; ++i)
      if (!r.fields[i].empty()) reply = sale.printText(r.fields[i]);
    return reply.errorCode == 0 ? sale.printText("") : reply;
  });
  define(table, ctx, 0x50, 3, [&ctx](const Request& r) {
    auto department = byteField(r, 0);
    auto taxGroup = byteField(r, 1);
    auto amount = exactFixed(r, 2, 2);
    if (!department || !taxGroup || !amount) return badField();
    return SaleModel(ctx).departmentSum(*department, *taxGroup, *amount);
  });
  define(table, ctx, 0x51, 2, [&ctx](const Request& r) {
    auto taxGroup = byteField(r, 0);
    auto amount = exactFixed(r, 1, 2);
    if (!taxGroup || !amount) return badField();
    return SaleModel(ctx).taxSum(*taxGroup, *amount);
  });
  define(table, ctx, 0x53, 7, [&ctx](const Request& r) {
    auto originalType = byteField(r, 0);
    auto operatorNumber = byteField(r, 1);
    auto number = intField(r, 3);
    auto shift = intField(r, 4);
    if (!originalType || !operatorNumber || !number || !shift) return badField();
    return SaleModel(ctx).openCopy(
        {*originalType, *operatorNumber, r.fields[2], *number, *shift, r.fields[5], r.fields[6]});
  });
  define(table, ctx, 0x54, 0, [&ctx](const Request&) { return SaleModel(ctx).zeroDrawerCash(); });
}

}  // namespace

void registerDocumentHandlers(HandlerTable& table, DeviceContext& ctx) {
  registerLifecycle(table, ctx);
  registerContent(table, ctx);
  registerOther(table, ctx);
}

}  // namespace varek::sim

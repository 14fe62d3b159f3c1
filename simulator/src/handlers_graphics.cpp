// Graphics upload (block transfers 0x15, 0x17, 0x18, 0x55) and picture commands (0x16, 0x56).
#include "Handlers.h"

namespace varek::sim {

namespace {

// The driver computes width * height as a 32-bit signed product and divides it by 8 with
// truncation; the device counts the same way so both ends agree on where the data end.
std::size_t bitmapBytes(int64_t width, int64_t height) {
  auto product = static_cast<int32_t>(static_cast<uint32_t>(width * height));
  return product > 0 ? static_cast<std::size_t>(product / 8) : 0;
}

bool numericFields(const Request& r, std::size_t count) {
  if (r.fields.size() < count) return false;
  for (std::size_t i = 0; i < count; ++i)
    if (!intField(r, i)) return false;
  return true;
}

std::string pictureLine(const Picture& picture) {
  return "[PICTURE " + std::to_string(picture.width) + "x" + std::to_string(picture.height) +
         (picture.name.empty() ? "" : " " + picture.name) + "]";
}

Picture pictureFrom(const Request& r) {
  return Picture{static_cast<int>(intField(r, 0).value_or(0)),
                 static_cast<int>(intField(r, 1).value_or(0)),
                 r.fields.size() > 3 ? r.fields[3] : "", r.blockData};
}

}  // namespace

std::optional<std::size_t> blockTransferBytes(const Request& r) {
  switch (r.command) {
    case 0x15:
    case 0x17: {
      auto size = numericFields(r, 1) ? intField(r, 0) : std::nullopt;
      return size && *size > 0 && *size <= INT32_MAX ? static_cast<std::size_t>(*size) : 0;
    }
    case 0x18:
    case 0x55:
      if (!numericFields(r, 2)) return 0;
      return bitmapBytes(*intField(r, 0), *intField(r, 1));
    default:
      return std::nullopt;
  }
}

void registerGraphicsHandlers(HandlerTable& table, DeviceContext& ctx) {
  GraphicsState& graphics = ctx.model.graphics;
  table.define(0x15, 1, [&graphics](const Request& r) {
    if (!numericFields(r, 1)) return refuse(errors::kBadFieldValue);
    graphics.logo = r.blockData;
    graphics.hasLogo = true;
    return ok();
  });
  table.define(0x16, 0, [&graphics](const Request&) {
    graphics.logo.clear();
    graphics.hasLogo = false;
    return ok();
  });
  table.define(0x17, 1, [&graphics](const Request& r) {
    if (!numericFields(r, 1)) return refuse(errors::kBadFieldValue);
    graphics.receiptDesign = r.blockData;
    return ok();
  });
  table.define(0x18, 5, [&graphics](const Request& r) {
    if (!numericFields(r, 3)) return refuse(errors::kBadFieldValue);
    graphics.pictures[static_cast<int>(*intField(r, 2))] = pictureFrom(r);
    return ok();
  });
  table.define(0x55, 3, [&ctx](const Request& r) {
    if (!numericFields(r, 3)) return refuse(errors::kBadFieldValue);
    ctx.model.document.lines.push_back(pictureLine(pictureFrom(r)));
    return ok();
  });
  table.define(0x56, 2, [&ctx, &graphics](const Request& r) {
    auto number = intField(r, 0);
    if (!number) return refuse(errors::kBadFieldValue);
    auto found = graphics.pictures.find(static_cast<int>(*number));
    if (found == graphics.pictures.end()) return refuse(errors::kBadFieldValue);
    ctx.paper.printLine(pictureLine(found->second));
    return ok();
  });
}

}  // namespace varek::sim

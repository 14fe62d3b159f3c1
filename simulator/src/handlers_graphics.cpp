// Graphics upload (block transfers 0x15, 0x17, 0x18, 0x55) and picture commands (0x16, 0x56).
#include <string>

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

// The logo as the device keeps it in memory, where memory reads (0x91) find it:
//   kind 6, address 0: the descriptor: the logo's memory kind (4), then the logo's address as four
//     bytes, least significant first.
//   kind 4 at kLogoAddress: the logo header: the row count, then the bytes per row of dots (72);
//     from kLogoAddress + 2: the rows, 80 bytes each: the row number in four bytes (least
//     significant first), 72 bytes of dots (576 dots, the leftmost in the high bit of the first
//     byte, a set bit is a printed dot), and four bytes 0xAA.
constexpr int64_t kDescriptorKind = 6;
constexpr int64_t kLogoKind = 4;
constexpr uint32_t kLogoAddress = 0x1000;
constexpr int64_t kLogoRowDots = 72;
constexpr int64_t kLogoRowBytes = 80;
constexpr int64_t kLogoRowLead = 4;
constexpr int64_t kLogoMaxRows = 255;
constexpr int64_t kLogoAreaBytes = 2 + kLogoMaxRows * kLogoRowBytes;

std::optional<uint8_t> descriptorByte(int64_t address) {
  if (address == 0) return static_cast<uint8_t>(kLogoKind);
  if (address >= 1 && address <= 4)
    return static_cast<uint8_t>(kLogoAddress >> (8 * (address - 1)));
  return std::nullopt;
}

uint8_t logoAreaByte(const GraphicsState& graphics, int64_t offset) {
  const int64_t rows = static_cast<int64_t>(graphics.logo.size()) / kLogoRowDots;
  if (offset == 0) return static_cast<uint8_t>(rows);
  if (offset == 1) return static_cast<uint8_t>(kLogoRowDots);
  const int64_t row = (offset - 2) / kLogoRowBytes;
  const int64_t column = (offset - 2) % kLogoRowBytes;
  if (row >= rows) return 0;
  if (column < kLogoRowLead) return static_cast<uint8_t>(row >> (8 * column));
  if (column < kLogoRowLead + kLogoRowDots)
    return graphics.logo[static_cast<std::size_t>(row * kLogoRowDots + column - kLogoRowLead)];
  return 0xAA;
}

std::optional<uint8_t> logoMemoryByte(const GraphicsState& graphics, int64_t kind,
                                      int64_t address) {
  if (kind == kDescriptorKind) return descriptorByte(address);
  const int64_t offset = address - kLogoAddress;
  if (kind == kLogoKind && offset >= 0 && offset < kLogoAreaBytes)
    return logoAreaByte(graphics, offset);
  return std::nullopt;
}

// A logo upload is a raster of rows of 576 dots; a last row that is cut short
// is filled with white (clear) dots. At most 255 rows fit the logo area.
std::size_t logoRows(std::size_t size) {
  return (size + kLogoRowDots - 1) / kLogoRowDots;
}

}  // namespace

void overlayLogoMemory(const GraphicsState& graphics, const Request& request, std::string& hex) {
  auto kind = intField(request, 0), address = intField(request, 1);
  if (!kind || !address) return;
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (std::size_t i = 0; 2 * i + 1 < hex.size(); ++i) {
    auto byte = logoMemoryByte(graphics, *kind, *address + static_cast<int64_t>(i));
    if (!byte) continue;
    hex[2 * i] = kDigits[*byte >> 4];
    hex[2 * i + 1] = kDigits[*byte & 0x0F];
  }
}

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
    if (!numericFields(r, 1) || logoRows(r.blockData.size()) > kLogoMaxRows)
      return refuse(errors::kBadFieldValue);
    graphics.logo = r.blockData;
    graphics.logo.resize(logoRows(graphics.logo.size()) * kLogoRowDots, 0);
    graphics.hasLogo = !graphics.logo.empty();
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

// Logo export. The device holds a descriptor at memory kind 6, address 0: the
// memory kind of the logo (one decimal digit) and its address (four bytes,
// least significant first). At that address the logo header's first byte is
// the row count; the rows of 80 bytes follow it in memory kind 4, and bytes
// 4-75 of each row are the 576 dots. Every reply carries memory as hexadecimal
// text, two characters per byte.
#include "commands/logo_export.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "VarekLib.h"
#include "platform/file.h"
#include "protocol/hex.h"
#include "protocol/request.h"

namespace varek {

namespace {

constexpr int32_t kRowMemoryKind = 4;
constexpr int32_t kDeviceRowBytes = 80;
constexpr int32_t kBitmapRowBytes = 72;  // 576 dots
constexpr int32_t kBitmapWidth = 576;
constexpr size_t kBitmapHeaderSize = 62;
constexpr int32_t kPayloadStart = 6;  // STX, packet id, two command and two error characters

PictureAllocator pictureAllocator = nullptr;

struct FreeDeleter {
  void operator()(uint8_t* p) const { std::free(p); }
};
using PictureBuffer = std::unique_ptr<uint8_t[], FreeDeleter>;

// A zeroed buffer: bytes that short replies leave unfilled stay 0, and are
// white once the bits are inverted.
PictureBuffer allocatePicture(size_t size) {
  void* memory = pictureAllocator ? pictureAllocator(size) : std::malloc(size);
  if (memory != nullptr) std::memset(memory, 0, size);
  return PictureBuffer(static_cast<uint8_t*>(memory));
}

// Two hexadecimal digits of either case; anything else reads as 0.
uint8_t hexPair(uint8_t high, uint8_t low) {
  return hexByte(high, low).value_or(0);
}

// Payload character `index` of a reply; '0' where the payload has no such
// character, so a short reply cannot make the export read the frame's tail.
uint8_t payloadChar(const ReplyRecord& record, int32_t index) {
  const int32_t at = kPayloadStart + index;
  return at < record.length - 3 ? record.raw[at] : '0';
}

uint8_t payloadByte(const ReplyRecord& record, int32_t pairIndex) {
  return hexPair(payloadChar(record, 2 * pairIndex), payloadChar(record, 2 * pairIndex + 1));
}

struct LogoLocation {
  int32_t memoryKind;
  uint32_t address;
};

LogoLocation parseDescriptor(const ReplyRecord& record) {
  LogoLocation location{payloadChar(record, 1) - '0', 0};
  // Characters 2-9: four bytes, the least significant first.
  for (int32_t pair = 4; pair >= 1; --pair) {
    const int32_t first = 2 * pair;
    location.address =
        location.address << 8 | hexPair(payloadChar(record, first), payloadChar(record, first + 1));
  }
  return location;
}

// Addresses wrap at 32 bits as the device's do.
int32_t addressAt(uint32_t base, uint32_t offset) {
  return static_cast<int32_t>(base + offset);
}

// Collects the picture bytes of the replies in device row order, never more
// than the buffer holds.
class PictureCollector {
 public:
  PictureCollector(uint8_t* buffer, size_t capacity) : buffer_(buffer), capacity_(capacity) {}

  // Converts the hexadecimal pairs from frame position `first` while the
  // pair's first character lies before position length - `stopBeforeEnd`.
  void take(const ReplyRecord& record, int32_t first, int32_t stopBeforeEnd) {
    for (int32_t at = first; at < record.length - stopBeforeEnd; at += 2) {
      if (collected_ == capacity_) return;
      buffer_[collected_++] = hexPair(record.raw[at], record.raw[at + 1]);
    }
  }
  size_t collected() const { return collected_; }

 private:
  uint8_t* buffer_;
  size_t capacity_;
  size_t collected_ = 0;
};

// The bitmap stores rows bottom-up and a set bit there is palette entry 1,
// white; the device's set bit is a printed (black) dot. So the rows are put in
// reverse order and every bit is inverted.
void reverseAndInvertRows(uint8_t* picture, int32_t rowCount) {
  for (int32_t top = 0, bottom = rowCount - 1; top <= bottom; ++top, --bottom) {
    uint8_t* upper = picture + static_cast<size_t>(top) * kBitmapRowBytes;
    uint8_t* lower = picture + static_cast<size_t>(bottom) * kBitmapRowBytes;
    for (int32_t i = 0; i < kBitmapRowBytes; ++i) {
      const auto upperByte = static_cast<uint8_t>(~upper[i]);
      upper[i] = static_cast<uint8_t>(~lower[i]);
      lower[i] = upperByte;
    }
  }
}

void putLittleEndian(uint8_t* at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

// File header, information header and the palette: entry 0 black, entry 1 white.
std::array<uint8_t, kBitmapHeaderSize> bitmapHeader(uint32_t pictureBytes, int32_t rowCount) {
  std::array<uint8_t, kBitmapHeaderSize> header{};
  header[0] = 'B';
  header[1] = 'M';
  putLittleEndian(&header[2], static_cast<uint32_t>(kBitmapHeaderSize) + pictureBytes, 4);
  putLittleEndian(&header[10], kBitmapHeaderSize, 4);
  putLittleEndian(&header[14], 40, 4);
  putLittleEndian(&header[18], kBitmapWidth, 4);
  putLittleEndian(&header[22], static_cast<uint32_t>(rowCount), 4);
  putLittleEndian(&header[26], 1, 2);
  putLittleEndian(&header[28], 1, 2);
  putLittleEndian(&header[34], pictureBytes, 4);
  putLittleEndian(&header[46], 2, 4);
  header[58] = header[59] = header[60] = 0xFF;
  return header;
}

void reportProgress(VarekProgressCallback progress, void* context, int32_t done, int32_t all) {
  if (progress != nullptr) progress(done, all, context);
}

// Two reads per device row: row bytes 2-65 (of which bytes 4-63 are dots), then
// bytes 66-81 (of which 64-75 are dots).
int32_t readRows(const LogoLocation& logo, int32_t rowCount, PictureCollector& collector,
                 VarekProgressCallback progress, void* context) {
  for (int32_t row = 0; row < rowCount; ++row) {
    const auto offset = static_cast<uint32_t>(row * kDeviceRowBytes);
    ReplyRecord head = libReadMemoryBlock(kRowMemoryKind, addressAt(logo.address, offset + 2), 64);
    if (head.result != VAREK_OK) return head.result;
    collector.take(head, 14, 3);
    ReplyRecord tail = libReadMemoryBlock(kRowMemoryKind, addressAt(logo.address, offset + 66), 16);
    if (tail.result != VAREK_OK) return tail.result;
    collector.take(tail, kPayloadStart, 11);
    reportProgress(progress, context, row + 1, rowCount);
  }
  return VAREK_OK;
}

int32_t writeBitmap(const char* path, const uint8_t* picture, size_t pictureBytes,
                    int32_t rowCount) {
  const auto header = bitmapHeader(static_cast<uint32_t>(pictureBytes), rowCount);
  const platform::FileSpan spans[] = {{header.data(), header.size()}, {picture, pictureBytes}};
  switch (platform::replaceFileWhole(path, spans, 2)) {
    case platform::FileWriteStatus::Written:
      return VAREK_OK;
    case platform::FileWriteStatus::OpenFailed:
      return VAREK_ERR_FILE_OPEN;
    case platform::FileWriteStatus::ShortWrite:
      return VAREK_ERR_FILE_WRITE;
  }
  return VAREK_ERR_FILE_WRITE;
}

int32_t exportLogo(const char* path, VarekProgressCallback progress, void* context) {
  ReplyRecord descriptor = libReadMemoryBlock(6, 0, 64);
  if (descriptor.result != VAREK_OK) return descriptor.result;
  const LogoLocation logo = parseDescriptor(descriptor);
  ReplyRecord logoHeader =
      libReadMemoryBlock(logo.memoryKind, static_cast<int32_t>(logo.address), 2);
  if (logoHeader.result != VAREK_OK) return logoHeader.result;
  const int32_t rowCount = payloadByte(logoHeader, 0);

  const size_t capacity = static_cast<size_t>(rowCount) * kBitmapRowBytes;
  PictureBuffer picture = allocatePicture(capacity + 10);
  if (!picture) return VAREK_ERR_NO_MEMORY;
  PictureCollector collector(picture.get(), capacity);
  reportProgress(progress, context, 0, rowCount);
  const int32_t result = readRows(logo, rowCount, collector, progress, context);
  if (result != VAREK_OK) return result;

  reverseAndInvertRows(picture.get(), rowCount);
  return writeBitmap(path, picture.get(), collector.collected(), rowCount);
}

}  // namespace

void setPictureAllocator(PictureAllocator allocate) {
  pictureAllocator = allocate;
}

}  // namespace varek

extern "C" {

VAREK_API int saveLogoToFile(const char* path) {
  return varek::exportLogo(path, nullptr, nullptr);
}

VAREK_API int saveLogoToFileWithProgress(const char* path, VarekProgressCallback progress,
                                         void* context) {
  return varek::exportLogo(path, progress, context);
}

}  // extern "C"

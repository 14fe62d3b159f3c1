// Graphics upload: logo, receipt design and pictures go to the device as raw
// data after an acknowledged command frame; the preloaded-picture print and the
// logo delete are ordinary commands.
#include "commands/graphics.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "VarekLib.h"
#include "platform/clock.h"
#include "platform/serial_port.h"
#include "protocol/exchange.h"
#include "protocol/request.h"
#include "protocol/session.h"

namespace varek {

namespace {

// The chunks overwrite txFrame; these many leading bytes of the command frame
// are kept aside and put back before the reply is read, so that the reply is
// checked against the command's own packet id and code.
constexpr size_t kBlockHeaderSaved = 40;
constexpr size_t kBitmapHeaderSaved = 70;
constexpr int32_t kChunkSize = static_cast<int32_t>(kFrameCapacity);

// Writes the data through txFrame, one chunk at a time, so that the memory a
// transfer needs does not grow with its size. Stops at the first short write.
int32_t sendChunks(int32_t size, const uint8_t* data) {
  SessionState& s = session();
  // 64-bit offset: the step past the last chunk of a size near 2^31 must not overflow.
  for (int64_t offset = 0; offset < size; offset += kChunkSize) {
    const auto length = static_cast<int32_t>(std::min<int64_t>(kChunkSize, size - offset));
    std::memcpy(s.txFrame, data + offset, static_cast<size_t>(length));
    s.txLength = length;
    clearRxFrame();
    const size_t written = platform::writePort(s.port, s.txFrame, static_cast<size_t>(length),
                                               platform::monotonicNowMs() + kWriteLimitMs);
    if (written != static_cast<size_t>(length)) return VAREK_ERR_WRITE;
  }
  return VAREK_OK;
}

int32_t transfer(int32_t size, const uint8_t* data, size_t savedBytes) {
  SessionState& s = session();
  std::array<uint8_t, kBitmapHeaderSaved> saved{};
  std::memcpy(saved.data(), s.txFrame, savedBytes);
  int32_t result = writeRequest();
  if (result == VAREK_OK) result = waitForAck();
  if (result == VAREK_OK) result = sendChunks(size, data);
  std::memcpy(s.txFrame, saved.data(), savedBytes);
  if (result != VAREK_OK) return result;
  return receiveReply();
}

// (width * height) / 8 with the product wrapped to 32 bits as the device
// computes it; a product that is not positive announces no data.
int32_t bitmapByteCount(int32_t width, int32_t height) {
  const auto product = static_cast<int32_t>(
      static_cast<uint32_t>(static_cast<int64_t>(width) * static_cast<int64_t>(height)));
  return product / 8;
}

}  // namespace

int32_t waitForAck() {
  clearRxFrame();
  SessionState& s = session();
  const platform::MonotonicTime deadline = platform::monotonicNowMs() + kReplyLimitSeconds * 1000;
  for (int32_t dropped = 0; dropped <= kMaxBytesBeforeAck; ++dropped) {
    uint8_t byte = 0;
    if (platform::readPortByte(s.port, byte, deadline) != platform::ReadStatus::Byte)
      return VAREK_ERR_TIMEOUT;
    if (byte == ACK) return VAREK_OK;
  }
  return VAREK_ERR_TIMEOUT;
}

int32_t uploadBlock(int32_t size, const uint8_t* data) {
  return transfer(size, data, kBlockHeaderSaved);
}

int32_t uploadBitmap(int32_t width, int32_t height, const uint8_t* data) {
  return transfer(bitmapByteCount(width, height), data, kBitmapHeaderSaved);
}

}  // namespace varek

using namespace varek;

extern "C" {

VAREK_API int libLoadLogo(int size, const unsigned char* data) {
  beginRequest(0x15);
  appendIntField(size);
  sealRequest();
  return uploadBlock(size, data);
}

VAREK_API int libDeleteLogo(void) {
  return simpleCommand(0x16);
}

VAREK_API int libLoadReceiptDesign(int size, const unsigned char* data) {
  beginRequest(0x17);
  appendIntField(size);
  sealRequest();
  return uploadBlock(size, data);
}

VAREK_API int libLoadPicture(int width, int height, int value3, const char* text, int value5,
                             const unsigned char* data) {
  beginRequest(0x18);
  appendIntField(width);
  appendIntField(height);
  appendIntField(value3);
  appendTextField(text);
  appendIntField(value5);
  sealRequest();
  return uploadBitmap(width, height, data);
}

VAREK_API int libPrintPictureInDocument(int width, int height, int value3,
                                        const unsigned char* data) {
  beginRequest(0x55);
  appendIntField(width);
  appendIntField(height);
  appendIntField(value3);
  sealRequest();
  return uploadBitmap(width, height, data);
}

VAREK_API int libPrintPreloadedPicture(int value1, int value2) {
  beginRequest(0x56);
  appendIntField(value1);
  appendIntField(value2);
  sealRequest();
  return exchangeAndWait();
}

}  // extern "C"

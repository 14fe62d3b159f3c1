#include "protocol/log.h"

#include <cstring>

#include "VarekLib.h"
#include "platform/file.h"
#include "protocol/session.h"

namespace varek {

namespace {

constexpr size_t kHeaderLength = 6;  // "\nSend:" or "\nRead:"

int32_t appendEntry(const char* entry, size_t length) {
  switch (platform::appendToFileExclusive(kLogFileName, entry, length)) {
    case platform::FileWriteStatus::Written:
      return VAREK_OK;
    case platform::FileWriteStatus::OpenFailed:
      return VAREK_ERR_FILE_OPEN;
    case platform::FileWriteStatus::ShortWrite:
      return VAREK_ERR_LOG_WRITE;
  }
  return VAREK_ERR_LOG_WRITE;
}

}  // namespace

int32_t logFrame(int32_t count, LogDirection direction) {
  const SessionState& s = session();
  if (s.debugLevel == 0) return VAREK_OK;
  // A frame never exceeds its buffer, so the header and the whole frame always
  // fit: the entry is written whole, never cut.
  char entry[kHeaderLength + kFrameCapacity];
  std::memcpy(entry, direction == LogDirection::Send ? "\nSend:" : "\nRead:", kHeaderLength);
  size_t length = kHeaderLength;
  const uint8_t* frame = direction == LogDirection::Send ? s.txFrame : s.rxFrame;
  const int32_t bytes =
      count < static_cast<int32_t>(kFrameCapacity) ? count : static_cast<int32_t>(kFrameCapacity);
  for (int32_t i = 0; i < bytes; ++i) {
    // The entry is text: a zero byte (the packet id) contributes nothing.
    if (frame[i] != 0) entry[length++] = static_cast<char>(frame[i]);
  }
  return appendEntry(entry, length);
}

int32_t logText(const char* text) {
  if (text == nullptr) text = "";
  return appendEntry(text, std::strlen(text));
}

}  // namespace varek

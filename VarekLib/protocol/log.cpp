#include "protocol/log.h"

#include <cstring>
#include <string>

#include "VarekLib.h"
#include "platform/file.h"
#include "protocol/session.h"

namespace varek {

namespace {

int32_t appendEntry(const std::string& entry) {
  switch (platform::appendToFileExclusive(kLogFileName, entry.data(), entry.size())) {
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
  const uint8_t* frame = direction == LogDirection::Send ? s.txFrame : s.rxFrame;
  std::string entry = direction == LogDirection::Send ? "\nSend:" : "\nRead:";
  for (int32_t i = 0; i < count && i < static_cast<int32_t>(kFrameCapacity); ++i) {
    // The entry is text: a zero byte (the packet id) contributes nothing.
    if (frame[i] != 0) entry.push_back(static_cast<char>(frame[i]));
  }
  return appendEntry(entry);
}

int32_t logText(const char* text) {
  return appendEntry(text ? text : "");
}

}  // namespace varek

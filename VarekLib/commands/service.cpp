// Service and configuration: start of work, settings tables, the device
// clock, cash drawer, beeper, authorization, memory reads, line speed, service
// data, two bare commands and the paper feed; plus the host-clock helpers that
// produce the packed date and time these commands take.
#include <cstdint>

#include "VarekLib.h"
#include "platform/clock.h"
#include "platform/serial_port.h"
#include "protocol/exchange.h"
#include "protocol/request.h"
#include "protocol/session.h"

namespace {

constexpr uint8_t kCommandStart = 0x10;
constexpr uint8_t kReadSettingsTable = 0x11;
constexpr uint8_t kWriteSettingsTable = 0x12;
constexpr uint8_t kSetDateTime = 0x14;
constexpr uint8_t kOpenCashDrawer = 0x80;
constexpr uint8_t kBeep = 0x82;
constexpr uint8_t kAuthorization = 0x90;
constexpr uint8_t kReadMemoryBlock = 0x91;
constexpr uint8_t kSetSpeed = 0x93;
constexpr uint8_t kPrintServiceData = 0x94;
constexpr uint8_t kCommand9A = 0x9A;
constexpr uint8_t kCommand9B = 0x9B;

// The device counts years from 2000.
constexpr int kYearBase = 2000;

struct PackedDateTime {
  int32_t year;       // calendar year - 2000
  uint32_t dayMonth;  // day << 8 | month
  uint32_t time;      // second << 16 | minute << 8 | hour
};

PackedDateTime packedHostNow() {
  const varek::platform::LocalDateTime now = varek::platform::localNow();
  auto byte = [](int value) { return static_cast<uint32_t>(value) & 0xFFu; };
  return {now.year - kYearBase, byte(now.day) << 8 | byte(now.month),
          byte(now.second) << 16 | byte(now.minute) << 8 | byte(now.hour)};
}

// Replaces the low bits selected by `mask` of *target with `value`, keeping the
// caller's high bits.
void writeLowBits(int* target, uint32_t value, uint32_t mask) {
  const uint32_t kept = static_cast<uint32_t>(*target) & ~mask;
  *target = static_cast<int>(kept | (value & mask));
}

int32_t sendDateTime(uint8_t command, int year, int dayMonth, int packedTime) {
  varek::beginRequest(command);
  varek::appendDateField(year, dayMonth);
  varek::appendTimeField(packedTime);
  varek::sealRequest();
  return varek::exchangeAndWait();
}

// The paper feed is the bare LF byte outside any frame: the device answers
// nothing, so nothing is read and nothing is logged.
int32_t writeLineFeed() {
  varek::SessionState& s = varek::session();
  varek::clearTxFrame();
  s.txFrame[0] = varek::LF;
  s.txLength = 1;
  varek::clearRxFrame();
  if (!s.port.isOpen()) return VAREK_ERR_NO_PORT;
  const size_t written = varek::platform::writePort(
      s.port, s.txFrame, 1, varek::platform::monotonicNowMs() + varek::kWriteLimitMs);
  return written == 1 ? VAREK_OK : VAREK_ERR_WRITE;
}

}  // namespace

extern "C" {

VAREK_API int libCommandStart(int year, int dayMonth, int packedTime) {
  return sendDateTime(kCommandStart, year, dayMonth, packedTime);
}

VAREK_API ReplyRecord libReadSettingsTable(int tableNumber, int index) {
  varek::beginRequest(kReadSettingsTable);
  varek::appendByteField(tableNumber);
  varek::appendIntField(index);
  varek::sealRequest();
  return varek::makeReplyRecord(varek::exchange());
}

VAREK_API int libWriteSettingsTable(int tableNumber, int index, const char* valueText) {
  varek::beginRequest(kWriteSettingsTable);
  varek::appendByteField(tableNumber);
  varek::appendIntField(index);
  varek::appendTextField(valueText);
  varek::sealRequest();
  return varek::exchangeAndWait();
}

VAREK_API int libSetVarekDateTime(int year, int dayMonth, int packedTime) {
  return sendDateTime(kSetDateTime, year, dayMonth, packedTime);
}

VAREK_API int libOpenCashDrawer(int value) {
  return varek::intCommandAndWait(kOpenCashDrawer, value);
}

VAREK_API int libBeep(int value) {
  return varek::intCommandAndWait(kBeep, value);
}

VAREK_API int libAuthorization(int year, int dayMonth, int packedTime, const char* text) {
  varek::beginRequest(kAuthorization);
  varek::appendDateField(year, dayMonth);
  varek::appendTimeField(packedTime);
  varek::appendTextField(text);
  varek::sealRequest();
  return varek::exchangeAndWait();
}

VAREK_API ReplyRecord libReadMemoryBlock(int memoryKind, int address, int length) {
  varek::beginRequest(kReadMemoryBlock);
  varek::appendByteField(memoryKind);
  varek::appendIntField(address);
  varek::appendIntField(length);
  varek::sealRequest();
  return varek::makeReplyRecord(varek::exchangeAndWait());
}

// Only asks the device to change its speed: the library's own port keeps the
// speed it was opened with.
VAREK_API int libSetSpeed(int speed) {
  varek::beginRequest(kSetSpeed);
  varek::appendByteField(speed);
  varek::sealRequest();
  return varek::exchangeAndWait();
}

VAREK_API int libPrintServiceData(void) {
  return varek::simpleCommand(kPrintServiceData);
}

VAREK_API int command0x9A(void) {
  return varek::simpleCommand(kCommand9A);
}

VAREK_API int command0x9B(void) {
  return varek::simpleCommand(kCommand9B);
}

VAREK_API int scrollPaper(void) {
  return writeLineFeed();
}

VAREK_API int commandStart(void) {
  const PackedDateTime now = packedHostNow();
  return libCommandStart(now.year, static_cast<int>(now.dayMonth), static_cast<int>(now.time));
}

// Fills only the bits that carry the date and time; the callers' higher bits
// stay as they were. A null pointer is skipped rather than written through.
VAREK_API int getCurMPTime(int* date, int* packedTime) {
  const PackedDateTime now = packedHostNow();
  if (date) {
    date[0] = now.year;
    writeLowBits(&date[1], now.dayMonth, 0xFFFFu);
  }
  if (packedTime) writeLowBits(packedTime, now.time, 0xFFFFFFu);
  return 0;
}

}  // extern "C"

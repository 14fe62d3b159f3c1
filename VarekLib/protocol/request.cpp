#include "protocol/request.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "protocol/log.h"
#include "protocol/session.h"

namespace varek {

namespace {

// Bytes that sealRequest appends after the fields: ETX and two checksum digits.
constexpr size_t kTrailerSize = 3;

// Appends a field and its FS, keeping room for the trailer. A field that does
// not fit whole marks the request as overflowed and writes nothing: the frame
// is never cut and nothing is written past the buffer.
void appendField(std::string_view text) {
  SessionState& s = session();
  if (s.requestOverflow) return;
  const size_t used = static_cast<size_t>(s.txLength);
  if (text.size() + 1 > kFrameCapacity - kTrailerSize - used) {
    s.requestOverflow = true;
    return;
  }
  if (!text.empty()) std::memcpy(s.txFrame + used, text.data(), text.size());
  s.txFrame[used + text.size()] = FS;
  s.txLength += static_cast<int32_t>(text.size() + 1);
}

std::string twoDigitsAtLeast(long value) {
  char text[24];
  std::snprintf(text, sizeof text, "%02ld", value);
  return text;
}

}  // namespace

void beginRequest(uint8_t commandCode) {
  clearTxFrame();
  SessionState& s = session();
  char header[9];
  std::snprintf(header, sizeof header, "%c%s%c%02X", STX, kPassword, 0, commandCode);
  header[5] = static_cast<char>(s.packetId);
  std::memcpy(s.txFrame, header, 8);
  s.txLength = 8;
}

void appendByteField(int32_t value) {
  appendField(std::to_string(value & 0xFF));
}

void appendIntField(int32_t value) {
  appendField(std::to_string(value));
}

void appendTextField(const char* text) {
  appendField(text ? std::string_view(text) : std::string_view());
}

void appendFixedField(int32_t value, int32_t decimals) {
  // Exact for every 32-bit value and any number of decimals: the digits of the
  // magnitude are split with text, not with a 32-bit power of ten.
  const bool negative = value < 0;
  std::string digits = std::to_string(std::llabs(static_cast<long long>(value)));
  std::string text;
  if (decimals <= 0) {
    text = digits + ".0";
  } else if (static_cast<size_t>(decimals) >= kFrameCapacity) {
    session().requestOverflow = true;
    return;
  } else {
    size_t places = static_cast<size_t>(decimals);
    if (digits.size() <= places) digits.insert(0, places + 1 - digits.size(), '0');
    text = digits.substr(0, digits.size() - places) + "." + digits.substr(digits.size() - places);
  }
  if (negative && value != 0) text.insert(0, "-");
  appendField(text);
}

void appendDateField(int32_t year, int32_t dayMonth) {
  long day = (dayMonth >> 8) & 0xFF;
  long month = dayMonth & 0xFF;
  appendField(twoDigitsAtLeast(day) + twoDigitsAtLeast(month) + twoDigitsAtLeast(year % 1000));
}

void appendTimeField(int32_t packedTime) {
  long hour = packedTime & 0xFF;
  long minute = (packedTime >> 8) & 0xFF;
  long second = (packedTime >> 16) & 0xFF;
  appendField(twoDigitsAtLeast(hour) + twoDigitsAtLeast(minute) + twoDigitsAtLeast(second));
}

uint8_t frameChecksum(const uint8_t* bytes, int32_t count) {
  uint8_t sum = 0;
  for (int32_t i = 0; i < count; ++i) sum ^= bytes[i];
  return sum;
}

void sealRequest() {
  SessionState& s = session();
  // An overflowed request is never sent, so it is neither completed nor logged.
  if (s.requestOverflow) return;
  s.txFrame[s.txLength++] = ETX;
  uint8_t sum = frameChecksum(s.txFrame + 1, s.txLength - 1);
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02X", sum);
  s.txFrame[s.txLength++] = static_cast<uint8_t>(digits[0]);
  s.txFrame[s.txLength++] = static_cast<uint8_t>(digits[1]);
  logFrame(s.txLength, LogDirection::Send);
}

bool requestOverflowed() {
  return session().requestOverflow;
}

}  // namespace varek

#include "protocol/exchange.h"

#include <algorithm>
#include <cstring>

#include "platform/clock.h"
#include "protocol/hex.h"
#include "protocol/log.h"
#include "protocol/request.h"
#include "protocol/session.h"

namespace varek {

namespace {

int64_t wholeSeconds(platform::MonotonicTime ms) {
  return ms / 1000;
}

}  // namespace

int32_t writeRequest() {
  clearRxFrame();
  SessionState& s = session();
  if (s.requestOverflow) return VAREK_ERR_FRAME_TOO_LONG;
  if (!s.port.isOpen()) return VAREK_ERR_NO_PORT;
  // The protocol is strictly one request, one reply: anything still waiting in
  // the input now answers an earlier request (a reply that came after its time
  // limit, or one sent in batch mode) and would pass for this request's reply.
  platform::discardInput(s.port);
  const size_t length = static_cast<size_t>(s.txLength);
  size_t written =
      platform::writePort(s.port, s.txFrame, length, platform::monotonicNowMs() + kWriteLimitMs);
  return written == length ? VAREK_OK : VAREK_ERR_WRITE;
}

int32_t exchange() {
  int32_t result = writeRequest();
  if (result != VAREK_OK) return result;
  if (session().batchMode) return VAREK_OK;
  return receiveReply();
}

int32_t exchangeAndWait() {
  int32_t result = writeRequest();
  if (result != VAREK_OK) return result;
  return receiveReply();
}

int32_t receiveReply() {
  clearRxFrame();
  SessionState& s = session();
  if (!s.port.isOpen()) return VAREK_ERR_NO_PORT;
  // The limit is counted in whole seconds of a monotonic clock, so a reply
  // completed when exactly 10 seconds have passed is still accepted, and
  // setting the system clock neither cuts the wait short nor stretches it.
  const int64_t startSecond = wholeSeconds(platform::monotonicNowMs());
  const platform::MonotonicTime deadline = (startSecond + kReplyLimitSeconds + 1) * 1000;
  int trailer = 0;
  bool started = false;
  bool overlong = false;
  while (trailer < 3) {
    uint8_t byte = 0;
    platform::ReadStatus status = platform::readPortByte(s.port, byte, deadline);
    if (wholeSeconds(platform::monotonicNowMs()) - startSecond > kReplyLimitSeconds ||
        status != platform::ReadStatus::Byte) {
      // Out of time, or the line hung up so that nothing more can arrive.
      return overlong ? VAREK_ERR_REPLY_TOO_LONG : VAREK_ERR_TIMEOUT;
    }
    if (byte == STX) started = true;
    if (!started) continue;  // noise before the frame
    if (trailer > 0) ++trailer;
    if (byte == ETX) trailer = 1;
    if (s.rxLength < static_cast<int32_t>(kFrameCapacity)) {
      s.rxFrame[s.rxLength++] = byte;
    } else {
      // Keep reading to the end of this frame so that its tail does not pass
      // for the next reply.
      overlong = true;
    }
  }
  if (overlong) {
    logFrame(s.rxLength, LogDirection::Read);
    return VAREK_ERR_REPLY_TOO_LONG;
  }
  return validateReply();
}

int32_t validateReply() {
  SessionState& s = session();
  logFrame(s.rxLength, LogDirection::Read);
  const uint8_t* rx = s.rxFrame;
  const int32_t length = s.rxLength;
  if (length < 9) return VAREK_ERR_SHORT_REPLY;
  if (rx[0] != STX) return VAREK_ERR_NO_STX;
  if (rx[1] != s.txFrame[5]) return VAREK_ERR_PACKET_ID;
  if (rx[2] != s.txFrame[6]) return VAREK_ERR_COMMAND_CHAR1;
  if (rx[3] != s.txFrame[7]) return VAREK_ERR_COMMAND_CHAR2;
  if (rx[length - 3] != ETX) return VAREK_ERR_NO_ETX;
  auto checksum = hexByte(rx[length - 2], rx[length - 1]);
  if (!checksum || *checksum != frameChecksum(rx + 1, length - 3)) return VAREK_ERR_CHECKSUM;
  auto errorCode = hexByte(rx[4], rx[5]);
  if (!errorCode) return VAREK_ERR_ERROR_CODE;
  if (*errorCode != 0) return *errorCode;
  s.payloadLength = length - 9;
  std::memcpy(s.payload, rx + 6, static_cast<size_t>(s.payloadLength));
  return VAREK_OK;
}

int32_t simpleCommand(uint8_t commandCode) {
  beginRequest(commandCode);
  sealRequest();
  return exchange();
}

int32_t intCommandAndWait(uint8_t commandCode, int32_t value) {
  beginRequest(commandCode);
  appendIntField(value);
  sealRequest();
  return exchangeAndWait();
}

ReplyRecord queryCommand(uint8_t commandCode) {
  beginRequest(commandCode);
  sealRequest();
  return makeReplyRecord(exchange());
}

ReplyRecord queryCommandByte(uint8_t commandCode, int32_t value) {
  beginRequest(commandCode);
  appendByteField(value);
  sealRequest();
  return makeReplyRecord(exchangeAndWait());
}

void fillReplyRecord(ReplyRecord& record) {
  const SessionState& s = session();
  const int32_t kept = std::clamp<int32_t>(s.rxLength, 0, VAREK_REPLY_RECORD_RAW_SIZE);
  std::memcpy(record.raw, s.rxFrame, static_cast<size_t>(kept));
  record.length = kept;
}

ReplyRecord makeReplyRecord(int32_t result) {
  ReplyRecord record{};
  fillReplyRecord(record);
  record.result = result;
  return record;
}

}  // namespace varek

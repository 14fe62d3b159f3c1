// One request, then at most one reply. The reply frame is STX, the echoed
// packet id and command characters, a two-digit hexadecimal error code, the
// payload fields (each followed by FS), ETX and a two-digit checksum; it must
// be complete within the 10-second reply limit.
#pragma once

#include <cstdint>

#include "VarekLib.h"

namespace varek {

// Whole seconds that may elapse while a reply arrives, and the bound on
// writing a request.
inline constexpr int64_t kReplyLimitSeconds = 10;
inline constexpr int64_t kWriteLimitMs = 10'000;

// Clears rxFrame and writes the sealed request. 0 when the port took the whole
// frame; 1012 for a request that did not fit the frame, 2000 without a port,
// 1007 for an incomplete write.
int32_t writeRequest();
// Writes the request and, unless batch mode is on, reads and validates the reply.
int32_t exchange();
// Writes the request and always reads and validates the reply.
int32_t exchangeAndWait();
// Reads one reply frame from its STX to the second byte after its last ETX.
int32_t receiveReply();
// Logs and checks the reply in rxFrame; on success copies its payload.
int32_t validateReply();

int32_t simpleCommand(uint8_t commandCode);
// A command with one integer field that reads its reply whatever batch mode holds.
int32_t intCommandAndWait(uint8_t commandCode, int32_t value);
ReplyRecord queryCommand(uint8_t commandCode);
ReplyRecord queryCommandByte(uint8_t commandCode, int32_t value);

// Copies the reply received (at most the record's 256 bytes) into `record`.
void fillReplyRecord(ReplyRecord& record);
ReplyRecord makeReplyRecord(int32_t result);

}  // namespace varek

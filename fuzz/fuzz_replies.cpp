// Feeds arbitrary bytes to the driver as the device's reply: through the byte
// reader, the reply validation, the query exports and every payload parser.
//
// Input layout: byte 0 picks the operation, byte 1 the session settings
// (amount decimals, batch mode, logging); the rest is what the "device" sends.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "VarekLib.h"
#include "platform/serial_port.h"
#include "protocol/exchange.h"
#include "protocol/parsers.h"
#include "protocol/session.h"

namespace {

// What a pipe holds without blocking the writer; longer inputs are cut.
constexpr size_t kMaxReply = 60000;

// The port "takes" every request whole; nothing is written anywhere.
size_t acceptEverything(varek::platform::PortHandle, const uint8_t*, size_t size) {
  return size;
}

// The reply bytes wait in a pipe whose writer is closed, so the reader sees
// them and then the end of the line, never a 10-second wait.
bool attachReply(const uint8_t* data, size_t size) {
  int fds[2];
  if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) return false;
  size = std::min(size, kMaxReply);
  size_t done = 0;
  while (done < size) {
    ssize_t n = write(fds[1], data + done, size - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  close(fds[1]);
  varek::session().port.value = fds[0];
  return true;
}

void detachReply() {
  varek::SessionState& s = varek::session();
  if (s.port.isOpen()) close(static_cast<int>(s.port.value));
  s.port = {};
}

void runAllParsers() {
  int32_t one = 0, a = 0, b = 0, c = 0;
  char text[varek::kFieldCapacity + 1];
  int32_t values[16];
  (void)varek::parseSingleInt(&one);
  (void)varek::parseSecondText(text);
  (void)varek::parseThreeInts(&a, &b, &c);
  for (int32_t count : {0, 1, 4, 6, 12, 16}) {
    for (int32_t kind : {1, 2, 3}) (void)varek::parseValueList(values, count, kind);
  }
  (void)varek::parseRegisterTable(values, text);
}

void runOperation(uint8_t op) {
  int flags[3];
  int drawer = 0;
  char text[varek::kFieldCapacity + 1];
  int values[16];
  switch (op % 12) {
    case 0:
      (void)getStatusFlags(&flags[0], &flags[1], &flags[2]);
      break;
    case 1:
      (void)getKKTInfo(op >> 4, text);
      break;
    case 2:
      (void)getCashDrawerStatus(&drawer);
      break;
    case 3:
      (void)getCountersAndRegisters(1 + (op >> 4) % 14, values);
      break;
    case 4:
      (void)getCountersAndRegisters(12, values);
      break;
    case 5:
      (void)libGetStatusFlags();
      break;
    case 6:
      (void)libGetCountersAndRegisters(op >> 4);
      break;
    case 7:
      (void)libGetVarekDateTime();
      break;
    case 8:
      (void)varek::simpleCommand(op);
      break;
    case 9:
      (void)varek::queryCommandByte(0x06, op);
      break;
    default:
      // The payload parsers straight on the bytes, past any validation.
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The log goes to the current directory: keep it out of the way, and let
  // it swallow everything without growing.
  char dir[] = "/tmp/varek-fuzz-XXXXXX";
  if (mkdtemp(dir) == nullptr || chdir(dir) != 0) abort();
  if (symlink("/dev/null", "fr_varek.log") != 0) abort();
  varek::platform::setWriteOverride(acceptEverything);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t op = data[0];
  const uint8_t settings = data[1];
  data += 2;
  size -= 2;

  varek::SessionState& s = varek::session();
  s.amountDecimals = static_cast<int8_t>(settings & 0x0F) - 2;  // -2 to 13
  s.batchMode = (settings & 0x10) ? 1 : 0;
  s.debugLevel = (settings & 0x20) ? 1 : 0;
  s.payloadLength = 0;

  if (op % 12 >= 10) {
    const size_t length = std::min(size, varek::kFrameCapacity);
    std::memcpy(s.payload, data, length);
    s.payloadLength = static_cast<int32_t>(length);
    runAllParsers();
    return 0;
  }
  if (!attachReply(data, size)) return 0;
  runOperation(op);
  // Whatever a reply left in the payload must still parse safely.
  runAllParsers();
  detachReply();
  return 0;
}

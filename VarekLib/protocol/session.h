// The one process-wide session of the driver: the port, the request and reply
// buffers, the decimal places of fixed-point numbers, the log switch and the
// batch-mode flag. Callers never see it; every export works on it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/serial_port.h"

namespace varek {

inline constexpr size_t kFrameCapacity = 4096;
inline constexpr int32_t kDriverVersion = 1001;

struct SessionState {
  uint8_t txFrame[kFrameCapacity];
  int32_t txLength;
  uint8_t rxFrame[kFrameCapacity];
  int32_t rxLength;
  uint8_t payload[kFrameCapacity];
  int32_t payloadLength;
  int32_t amountDecimals;
  int32_t quantityDecimals;
  int32_t percentDecimals;
  int32_t debugLevel;
  uint8_t packetId;
  uint8_t batchMode;
  // Set when a field did not fit the request frame; the request is then
  // refused instead of being cut or written past the buffer.
  bool requestOverflow;
  platform::PortHandle port;
};

SessionState& session();

void clearTxFrame();
void clearRxFrame();

}  // namespace varek

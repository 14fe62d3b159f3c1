// Block transfer: a command frame, the device's single ACK byte, the caller's
// raw data in chunks through txFrame, then one ordinary reply frame.
#pragma once

#include <cstdint>

namespace varek {

// Bytes of non-ACK noise the ACK wait drops before it gives up.
inline constexpr int32_t kMaxBytesBeforeAck = 4096;

// Reads until the ACK arrives: 0 when it has; 1009 when the reply limit has
// passed, the line hung up, or more than kMaxBytesBeforeAck other bytes came.
int32_t waitForAck();
// Sends the command frame sealed in txFrame, waits for the ACK, sends `size`
// bytes of `data` and reads the reply, validated against the command.
int32_t uploadBlock(int32_t size, const uint8_t* data);
// The same with (width * height) / 8 bytes, the product taken as 32-bit signed.
int32_t uploadBitmap(int32_t width, int32_t height, const uint8_t* data);

}  // namespace varek

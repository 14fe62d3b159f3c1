// Byte-level building blocks of the printer's framed protocol, shared by the virtual printer and
// by raw test clients.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varek::sim::wire {

inline constexpr uint8_t kStx = 0x02;
inline constexpr uint8_t kEtx = 0x03;
inline constexpr uint8_t kAck = 0x06;
inline constexpr uint8_t kLineFeed = 0x0A;
inline constexpr uint8_t kFieldSeparator = 0x1C;
inline constexpr std::string_view kPassword = "QZKV";
inline constexpr std::size_t kMaxFrame = 4096;
// STX, password, packet id, two command characters, ETX, two checksum digits.
inline constexpr std::size_t kMinRequest = 11;

// XOR of bytes [first, last) kept to 8 bits.
uint8_t xorChecksum(const std::vector<uint8_t>& bytes, std::size_t first, std::size_t last);

// Two hexadecimal digits of value, upper case unless lowerCase.
std::string hexByte(uint8_t value, bool lowerCase = false);

// The value of two hexadecimal digits of either case; nothing when either is not a digit.
std::optional<uint8_t> parseHexByte(uint8_t high, uint8_t low);

// A complete request frame as the driver sends it (packet id 0x00).
std::vector<uint8_t> encodeRequest(uint8_t command, const std::vector<std::string>& fields,
                                   std::string_view password = kPassword);

// The parts of a reply frame; the defaults give a good reply.
struct ReplyFrame {
  uint8_t packetId = 0;
  char firstCommandChar = '0';
  char secondCommandChar = '0';
  uint8_t errorCode = 0;
  std::vector<std::string> fields;
  std::optional<std::string> rawPayload;  // sent as it stands instead of the fields
  bool lowerCaseHex = false;
  bool badChecksum = false;
};

std::vector<uint8_t> encodeReply(const ReplyFrame& reply);

}  // namespace varek::sim::wire

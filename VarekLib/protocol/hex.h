// The device writes error codes, checksums and memory contents as pairs of
// hexadecimal digits, in either letter case.
#pragma once

#include <cstdint>
#include <optional>

namespace varek {

inline std::optional<uint8_t> hexDigit(uint8_t c) {
  if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<uint8_t>(c - 'a' + 10);
  return std::nullopt;
}

// Two hexadecimal digits, or nothing when either is not one.
inline std::optional<uint8_t> hexByte(uint8_t high, uint8_t low) {
  const auto h = hexDigit(high);
  const auto l = hexDigit(low);
  if (!h || !l) return std::nullopt;
  return static_cast<uint8_t>(*h << 4 | *l);
}

}  // namespace varek

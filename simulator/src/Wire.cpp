#include "varek_sim/Wire.h"

namespace varek::sim::wire {

uint8_t xorChecksum(const std::vector<uint8_t>& bytes, std::size_t first, std::size_t last) {
  uint8_t sum = 0;
  for (std::size_t i = first; i < last && i < bytes.size(); ++i) sum ^= bytes[i];
  return sum;
}

std::string hexByte(uint8_t value, bool lowerCase) {
  const char* digits = lowerCase ? "0123456789abcdef" : "0123456789ABCDEF";
  return {digits[value >> 4], digits[value & 0x0F]};
}

namespace {
std::optional<uint8_t> hexDigit(uint8_t c) {
  if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<uint8_t>(c - 'a' + 10);
  return std::nullopt;
}

void appendText(std::vector<uint8_t>& out, std::string_view text) {
  out.insert(out.end(), text.begin(), text.end());
}

void appendFields(std::vector<uint8_t>& out, const std::vector<std::string>& fields) {
  for (const auto& field : fields) {
    appendText(out, field);
    out.push_back(kFieldSeparator);
  }
}

// ETX and the checksum over everything after the STX.
void seal(std::vector<uint8_t>& out, bool lowerCase, bool corrupt) {
  out.push_back(kEtx);
  uint8_t sum = xorChecksum(out, 1, out.size());
  if (corrupt) sum = static_cast<uint8_t>(sum + 1);
  appendText(out, hexByte(sum, lowerCase));
}
}  // namespace

std::optional<uint8_t> parseHexByte(uint8_t high, uint8_t low) {
  auto h = hexDigit(high);
  auto l = hexDigit(low);
  if (!h || !l) return std::nullopt;
  return static_cast<uint8_t>((*h << 4) | *l);
}

std::vector<uint8_t> encodeRequest(uint8_t command, const std::vector<std::string>& fields,
                                   std::string_view password) {
  std::vector<uint8_t> out{kStx};
  appendText(out, password);
  out.push_back(0x00);
  appendText(out, hexByte(command));
  appendFields(out, fields);
  seal(out, false, false);
  return out;
}

std::vector<uint8_t> encodeReply(const ReplyFrame& reply) {
  std::vector<uint8_t> out{kStx, reply.packetId, static_cast<uint8_t>(reply.firstCommandChar),
                           static_cast<uint8_t>(reply.secondCommandChar)};
  appendText(out, hexByte(reply.errorCode, reply.lowerCaseHex));
  if (reply.rawPayload)
    appendText(out, *reply.rawPayload);
  else
    appendFields(out, reply.fields);
  seal(out, reply.lowerCaseHex, reply.badChecksum);
  return out;
}

}  // namespace varek::sim::wire

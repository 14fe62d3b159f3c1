// Request frame encoding. A request is STX, the password "QZKV", the packet id,
// the command code as two hexadecimal digits, the fields (each followed by FS),
// ETX and a two-digit hexadecimal XOR checksum. The encoders append to txFrame
// of the session in this order: beginRequest, the fields, sealRequest.
#pragma once

#include <cstdint>

namespace varek {

inline constexpr uint8_t STX = 0x02;
inline constexpr uint8_t ETX = 0x03;
inline constexpr uint8_t ACK = 0x06;
inline constexpr uint8_t LF = 0x0A;
inline constexpr uint8_t FS = 0x1C;
inline constexpr char kPassword[] = "QZKV";

void beginRequest(uint8_t commandCode);
// The low 8 bits of value, as an unsigned decimal (300 is sent as 44).
void appendByteField(int32_t value);
void appendIntField(int32_t value);
// A null text is sent as an empty field.
void appendTextField(const char* text);
// value / 10^decimals with exactly `decimals` fraction digits and the sign in
// front ("-0.05" for -5 with 2); decimals of 0 or less give "value.0".
void appendFixedField(int32_t value, int32_t decimals);
// DDMMYY: day from bits 8-15 and month from bits 0-7 of dayMonth, year % 1000.
void appendDateField(int32_t year, int32_t dayMonth);
// HHMMSS: hour from bits 0-7, minute from 8-15, second from 16-23.
void appendTimeField(int32_t packedTime);
// Appends ETX and the checksum and writes the Send entry of the log.
void sealRequest();

// True when the fields of the request being built did not fit the frame.
bool requestOverflowed();

uint8_t frameChecksum(const uint8_t* bytes, int32_t count);

}  // namespace varek

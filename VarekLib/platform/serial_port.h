// Serial port access: the narrow interface between the protocol code and the
// operating system. The POSIX implementation is serial_port_posix.cpp; a Win32
// implementation provides the same functions.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/clock.h"

namespace varek::platform {

// An open port. `value` is the file descriptor on POSIX (a HANDLE on Win32).
struct PortHandle {
  intptr_t value = -1;
  bool isOpen() const { return value >= 0; }
};

// Where opening a port stopped. The three failure stages map to the three
// result codes and messages of openPort.
enum class PortOpenStage { Opened, OpenFailed, ReadConfigFailed, ApplyConfigFailed };

struct PortOpenResult {
  PortOpenStage stage = PortOpenStage::OpenFailed;
  int error = 0;      // the system's error number at the failing step
  PortHandle handle;  // held for every stage but OpenFailed
};

// Opens `name` exclusively for reading and writing (never creating it) and sets
// 8 data bits, no parity, one stop bit, raw binary mode and `baudRate`, keeping
// the flow control settings as the port had them.
PortOpenResult openSerialPort(const char* name, int baudRate);

// Releases the port, its lock and its exclusive flag.
void closeSerialPort(PortHandle port);

// Writes `size` bytes, waiting for the port to take them until `deadline`.
// Returns the number of bytes the port took.
size_t writePort(PortHandle port, const uint8_t* data, size_t size, MonotonicTime deadline);

enum class ReadStatus {
  Byte,      // one byte was read
  TimedOut,  // the deadline passed without a byte
  HungUp     // the line is gone (peer closed, device unplugged): no byte will come
};

// Waits until one byte arrives or `deadline` passes; never spins.
ReadStatus readPortByte(PortHandle port, uint8_t& byte, MonotonicTime deadline);

// Drops whatever the port has received and nobody has read: a reply that came
// after its time limit, or one to a request sent in batch mode.
void discardInput(PortHandle port);

// Test seam: when set, writePort hands each call's data to this function instead
// of writing it all, and it returns how many bytes "the port took". Null in
// normal operation.
using WriteOverride = size_t (*)(PortHandle port, const uint8_t* data, size_t size);
void setWriteOverride(WriteOverride hook);

}  // namespace varek::platform

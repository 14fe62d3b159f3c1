// What the register says about itself: status flags, identification, printer state, counters.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace varek::sim {

// One selector of the counters and registers query (command 0x01).
struct CounterSet {
  enum class Kind { Integer, Amount, RegisterTable };
  Kind kind = Kind::Integer;
  // Integers as they are; amounts in hundredths. For a register table the values alternate
  // integer, amount, integer, ...
  std::vector<int64_t> values;
  std::string text;  // register table only: its title
};

struct DeviceInfo {
  std::array<int, 3> statusFlags{0, 0, 0};
  std::array<int, 3> printerStatus{0, 0, 0};  // paper, cover, print head: 0 is fine
  std::map<int, std::string> info;            // command 0x02 by selector
  std::map<int, std::string> receiptData;     // command 0x03 by selector
  std::map<int, std::string> serviceInfo;     // command 0x05 by selector
  uint8_t lastErrorCode = 0;                  // command 0x06
  std::string lastErrorText;
  std::array<CounterSet, 15> counters;  // selectors 1 to 14; entry 0 unused
};

}  // namespace varek::sim

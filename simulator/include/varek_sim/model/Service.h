// Service side of the register: its clock, settings tables, cash drawer, memory.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace varek::sim {

struct ServiceState {
  // The device clock runs at host speed with this offset to the host's local time.
  std::chrono::seconds clockOffset{0};
  bool workStarted = false;  // command 0x10 received
  bool authorized = false;
  bool drawerOpen = false;
  int beeps = 0;
  int speedCode = 0;
  std::map<std::pair<int, int>, std::string> settings;  // (table, index) -> value
  std::map<int, std::vector<uint8_t>> memory;           // memory kind -> contents from address 0
};

}  // namespace varek::sim

// The fiscal document the register is filling (sale, return, cash in/out...).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varek::sim {

struct DocumentState {
  bool open = false;
  bool batch = false;  // opened with bit 0x10 of the document type
  int type = 0;
  int64_t total = 0;               // hundredths
  int64_t paid = 0;                // hundredths
  std::vector<std::string> lines;  // printed when the document is closed
};

}  // namespace varek::sim

// Pictures held by the register: logo, receipt design, stored pictures.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace varek::sim {

struct Picture {
  int width = 0;
  int height = 0;
  std::string name;
  std::vector<uint8_t> bits;
};

struct GraphicsState {
  std::vector<uint8_t> logo;
  bool hasLogo = false;
  std::vector<uint8_t> receiptDesign;
  std::map<int, Picture> pictures;  // by the number given on upload
};

}  // namespace varek::sim

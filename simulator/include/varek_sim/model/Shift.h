// The working shift, the fiscal memory and the registration data of the register.
#pragma once

#include <array>
#include <string>

namespace varek::sim {

struct ShiftState {
  bool open = false;
  int number = 1;          // the shift being worked (or the next one while closed)
  int documentNumber = 1;  // the next document
  int zReports = 0;
  bool fiscalized = false;
  std::array<std::string, 4> registration;  // the texts given at fiscalization
};

}  // namespace varek::sim

// The working shift, the fiscal memory and the registration data of the register.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace varek::sim {

// One closed shift as the fiscal memory keeps it (written by the Z report or the emergency
// close; never changed afterwards).
struct FiscalRecord {
  int shift = 0;
  int date = 0;         // YYYYMMDD on the device clock when the shift was closed
  int64_t sales = 0;    // hundredths
  int64_t returns = 0;  // hundredths
  int64_t cashIn = 0;   // hundredths
  int64_t cashOut = 0;  // hundredths
  int documents = 0;
  int lastDocument = 0;  // number of the shift's last document
  bool emergency = false;
};

struct ShiftState {
  bool open = false;
  int number = 1;          // the shift being worked (or the next one while closed)
  int documentNumber = 1;  // the next document
  int zReports = 0;
  bool fiscalized = false;
  std::array<std::string, 4> registration;  // the texts given at fiscalization
  int fiscalizations = 0;                   // registrations so far (the fiscal memory keeps each)
  int fiscalizationDate = 0;                // YYYYMMDD of the last registration
  std::vector<FiscalRecord> fiscalMemory;   // closed shifts, oldest first
  int64_t grandTotal = 0;                   // sales less returns since the factory, never reset
  std::vector<std::string> lastZReport;     // printed lines, for the copy
};

}  // namespace varek::sim

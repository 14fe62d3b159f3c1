// The electronic control tape (ECT): a write-once journal of the register's documents.
#pragma once

#include <vector>

#include "varek_sim/model/Shift.h"

namespace varek::sim {

struct EctState {
  bool active = false;
  bool archiveClosed = false;
  bool serviceChannel = false;
  int number = 1;           // number of the active ECT
  int activationDate = 0;   // YYYYMMDD on the device clock
  int activationShift = 0;  // the shift number when it was activated
  // Shifts written to this ECT (copies of the fiscal-memory records of its shifts).
  std::vector<FiscalRecord> shifts;
};

}  // namespace varek::sim

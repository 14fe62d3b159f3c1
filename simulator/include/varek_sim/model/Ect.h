// The electronic control tape (ECT): a write-once journal of the register's documents.
#pragma once

namespace varek::sim {

struct EctState {
  bool active = false;
  bool archiveClosed = false;
  bool serviceChannel = false;
  int number = 1;  // number of the active ECT
};

}  // namespace varek::sim

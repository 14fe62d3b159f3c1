// The pseudo-terminal that stands in for the serial cable.
#pragma once

#include <string>

namespace varek::sim {

struct PtyPair {
  int master = -1;  // the device's end: non-blocking, close-on-exec
  int slave = -1;   // kept open by the device so the master never sees a hang-up
  std::string slavePath;
};

// Opens a pty pair with the line in raw mode (nothing echoed or translated, even before a
// client configures the port). Throws std::system_error.
PtyPair openPty();
void closePty(PtyPair& pty);

// Makes linkPath a symlink to target, replacing whatever is there in one step.
// Throws std::system_error.
void pointLink(const std::string& linkPath, const std::string& target);
// Removes linkPath if it is a symlink to target.
void removeLinkTo(const std::string& linkPath, const std::string& target);

}  // namespace varek::sim

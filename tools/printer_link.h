// The printer a subcommand talks to: the real one named by --port, or a
// virtual printer (the varek-sim program) started for the occasion on a
// pseudo-terminal, whose printed paper can then be read back.
#pragma once

#include <sys/types.h>

#include <string>

#include "tool.h"

namespace varek::tool {

class PrinterLink {
 public:
  PrinterLink() = default;
  ~PrinterLink();
  PrinterLink(const PrinterLink&) = delete;
  PrinterLink& operator=(const PrinterLink&) = delete;

  // Starts the virtual printer when no --port was given, then opens the port
  // through the library. Prints what it does; false (with a message on
  // standard error) when the printer cannot be reached.
  bool connect(const Options& options);

  bool isVirtual() const { return simPid_ > 0; }
  const std::string& portPath() const { return portPath_; }

  // What the virtual printer printed since the last call (empty for a real printer).
  std::string takeNewPaper();

  // Stops the virtual printer; also done by the destructor.
  void disconnect();

 private:
  bool startSimulator(const Options& options);

  pid_t simPid_ = -1;
  int simOutput_ = -1;  // read end of the simulator's standard output
  std::string workDir_;
  std::string paperFile_;
  std::string portPath_;
  size_t paperRead_ = 0;
};

// The varek-sim program to start: --sim, the one built with this tool, one
// beside this tool, or varek-sim on the PATH.
std::string findSimulator(const Options& options);

}  // namespace varek::tool

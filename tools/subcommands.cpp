// The table of subcommands. A new subcommand lives in its own cmd_<name>.cpp
// and adds one line here.
#include "tool.h"

namespace varek::tool {

int runDemo(const Options& options);
int runSim(const Options& options);
int runStatus(const Options& options);
int runCancel(const Options& options);
int runLogo(const Options& options);

const std::vector<Subcommand>& subcommands() {
  static const std::vector<Subcommand> table = {
      {"demo", "[--real]",
       "run a sale and a batch-mode sale on the virtual printer and show the receipts", runDemo},
      {"sim", "[--link PATH] [--paper FILE] [--state FILE]",
       "run the virtual printer in the foreground and print its port", runSim},
      {"status", "", "show the printer's status flags, printer status and identification",
       runStatus},
      {"cancel", "", "cancel the document the printer holds open, if any", runCancel},
      {"logo", "save FILE.bmp", "write the logo stored in the printer to a bitmap file", runLogo},
  };
  return table;
}

}  // namespace varek::tool

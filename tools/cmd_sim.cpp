// varek sim: runs the virtual printer in the foreground. It prints the port to
// give to --port of another varek (or to any program using the library) and
// runs until Ctrl+C.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "printer_link.h"
#include "tool.h"

namespace varek::tool {

int runSim(const Options& options) {
  std::string program = findSimulator(options);
  if (program.empty()) {
    std::fprintf(stderr, "varek: varek-sim not found; build it or name it with --sim PATH\n");
    return 1;
  }
  std::vector<std::string> argStrings = {program};
  argStrings.insert(argStrings.end(), options.args.begin(), options.args.end());
  std::vector<char*> args;
  for (auto& arg : argStrings) args.push_back(arg.data());
  args.push_back(nullptr);
  std::fflush(stdout);
  execv(program.c_str(), args.data());
  std::fprintf(stderr, "varek: cannot run %s: %s\n", program.c_str(), std::strerror(errno));
  return 1;
}

}  // namespace varek::tool

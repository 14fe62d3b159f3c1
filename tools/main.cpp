// varek: drives a Varek fiscal printer from the command line through
// libVarekLib.so. Without --port it starts the virtual printer (varek-sim)
// on a pseudo-terminal, so every subcommand can be tried without hardware.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tool.h"

namespace {

using varek::tool::Options;
using varek::tool::subcommands;

void printUsage(std::FILE* out) {
  std::fprintf(out,
               "usage: varek [--port DEVICE] [--baud RATE] [--sim PATH] SUBCOMMAND [ARGS]\n\n"
               "  --port DEVICE  talk to the printer on this serial device\n"
               "                 (default: start the virtual printer on a pseudo-terminal)\n"
               "  --baud RATE    line speed for --port (default 115200)\n"
               "  --sim PATH     the varek-sim program to start (default: found beside varek)\n\n"
               "subcommands:\n");
  for (const auto& sub : subcommands()) {
    std::string line = std::string(sub.name) + " " + sub.usage;
    std::fprintf(out, "  %-50s %s\n", line.c_str(), sub.summary);
  }
}

bool parseBaud(const char* text, int& baud) {
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value <= 0 || value > 4'000'000) return false;
  baud = static_cast<int>(value);
  return true;
}

// Splits the command line into the common options, the subcommand and its
// own arguments; the common options may stand before or after the subcommand.
int parseCommandLine(int argc, char** argv, Options& options, std::string& name) {
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
      printUsage(stdout);
      return 0;
    }
    if (std::strcmp(arg, "--port") == 0 && hasValue) {
      options.port = argv[++i];
    } else if (std::strcmp(arg, "--baud") == 0 && hasValue) {
      if (!parseBaud(argv[++i], options.baud)) {
        std::fprintf(stderr, "varek: --baud needs a positive whole number, not \"%s\"\n", argv[i]);
        return 2;
      }
    } else if (std::strcmp(arg, "--sim") == 0 && hasValue) {
      options.simPath = argv[++i];
    } else if (name.empty() && arg[0] != '-') {
      name = arg;
    } else if (name.empty()) {
      std::fprintf(stderr, "varek: unknown option %s\n", arg);
      return 2;
    } else {
      options.args.emplace_back(arg);
    }
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::string name;
  int early = parseCommandLine(argc, argv, options, name);
  if (early >= 0) return early;
  if (name.empty()) {
    printUsage(stderr);
    return 2;
  }
  for (const auto& sub : subcommands()) {
    if (name == sub.name) return sub.run(options);
  }
  std::fprintf(stderr, "varek: unknown subcommand \"%s\"\n\n", name.c_str());
  printUsage(stderr);
  return 2;
}

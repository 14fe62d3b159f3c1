// varek-sim: the virtual Varek printer as a program. Prints the path of its serial line on the
// first line of standard output and plays the device until SIGINT or SIGTERM.
#include <signal.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>

#include "varek_sim/VirtualPrinter.h"

namespace {

void usage(std::FILE* out) {
  std::fprintf(out,
               "usage: varek-sim [--link PATH] [--paper FILE] [--state FILE]\n"
               "  --link PATH   also reach the printer through a symlink at PATH\n"
               "  --paper FILE  append everything printed to FILE\n"
               "  --state FILE  keep the register's state in FILE across restarts\n");
}

// Fills options from the command line; returns false on a bad argument.
bool parseArguments(int argc, char** argv, varek::sim::Options& options) {
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    std::string* target = argument == "--link"    ? &options.linkPath
                          : argument == "--paper" ? &options.paperFile
                          : argument == "--state" ? &options.stateFile
                                                  : nullptr;
    if (target == nullptr || i + 1 >= argc) return false;
    *target = argv[++i];
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    usage(stdout);
    return 0;
  }
  varek::sim::Options options;
  if (!parseArguments(argc, argv, options)) {
    usage(stderr);
    return 2;
  }
  // Block the stop signals before any thread starts, so that only sigwait below receives them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  try {
    varek::sim::VirtualPrinter printer(options);
    printer.start();
    std::printf("%s\n", printer.portPath().c_str());
    std::fflush(stdout);
    int received = 0;
    sigwait(&stopSignals, &received);
    printer.stop();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "varek-sim: %s\n", error.what());
    return 1;
  }
  return 0;
}

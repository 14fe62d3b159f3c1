// Shared pieces of the `varek` command-line tool: the options every subcommand
// understands, the subcommand table, and the way calls and results are shown.
#pragma once

#include <string>
#include <vector>

#include "VarekLib.h"

namespace varek::tool {

struct Options {
  std::string port;     // --port: a real serial device; empty means the virtual printer
  int baud = 115200;    // --baud
  std::string simPath;  // --sim: the varek-sim program to start (found automatically otherwise)
  std::vector<std::string>
      args;  // everything after the subcommand name that is not one of the above
};

using SubcommandFn = int (*)(const Options& options);

struct Subcommand {
  const char* name;
  const char* usage;    // arguments, shown after the name in the help
  const char* summary;  // one line
  SubcommandFn run;
};

// The one table of subcommands (subcommands.cpp).
const std::vector<Subcommand>& subcommands();

// "0 ok", "33 device error 0x21", "1009 no complete reply within 10 seconds", ...
std::string describeResult(int result);

// Prints one call and its result on one line, aligned, e.g.
//   libSubTotal()                                  -> 0 ok
void showCall(const std::string& call, int result, const char* note = nullptr);

// The payload fields of a raw reply frame (STX, id, two command characters,
// two error digits, fields each ended by FS, ETX, two checksum digits).
std::vector<std::string> replyFields(const ReplyRecord& record);
// "a | b | c"
std::string joinFields(const std::vector<std::string>& fields);

// Quotes a text argument the way it is shown in a call: "Milk".
std::string quoted(const char* text);

}  // namespace varek::tool

// Reporting of launcher failures.
#pragma once

namespace ostrel {

// Writes "Fatal error: <message>" to standard error and returns -1. Once the runtime is up, a
// failure cannot be unwound any more: the pending Python error is printed and the process ends.
int reportFatal(const char* message);

}  // namespace ostrel

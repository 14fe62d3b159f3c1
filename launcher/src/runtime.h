// Start-up of the embedded CPython runtime for the frozen application.
#pragma once

namespace ostrel {

// Configures and initialises the runtime for the application in the "lib" directory beside the
// program, handing it `argv` unchanged. Returns 0, or -1 after the failure has been reported.
int initRuntime(int argc, char** argv);

}  // namespace ostrel

#include "fatal.h"

#include <Python.h>

#include <cstdio>

namespace ostrel {

int reportFatal(const char* message) {
  if (Py_IsInitialized()) {
    PyErr_Print();
    Py_FatalError(message);
  }
  std::fprintf(stderr, "Fatal error: %s\n", message);
  return -1;
}

}  // namespace ostrel

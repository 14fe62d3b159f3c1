// Ostrel: starts the frozen Python application kept in the "lib" directory beside the program.
//
// The application provides a module `__startup__` with two callables, `init` and `run`. The exit
// status is 0 when `run` returns, 1 after any failure; an application that raises SystemExit
// ends with its own status, as under the python command.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "runtime.h"

namespace {

// Prints the pending Python error (SystemExit ends the process here with its status) and
// returns the failure status.
int printPythonError() {
  PyErr_Print();
  return 1;
}

int runApplication() {
  PyObject* startup = PyImport_ImportModule("__startup__");
  if (startup == nullptr) return printPythonError();

  PyObject* init = PyObject_GetAttrString(startup, "init");
  if (init == nullptr) {
    Py_DECREF(startup);
    return printPythonError();
  }
  PyObject* result = PyObject_CallObject(init, nullptr);
  Py_DECREF(init);
  if (result == nullptr) {
    Py_DECREF(startup);
    return printPythonError();
  }
  Py_DECREF(result);

  PyObject* run = PyObject_GetAttrString(startup, "run");
  Py_DECREF(startup);
  if (run == nullptr) return printPythonError();
  result = PyObject_CallObject(run, nullptr);
  Py_DECREF(run);
  if (result == nullptr) return printPythonError();
  Py_DECREF(result);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (ostrel::initRuntime(argc, argv) < 0) {
    Py_Finalize();
    return 1;
  }
  int status = runApplication();
  // Finalisation flushes sys.stdout; when that fails (a full disk, a closed pipe) output has been
  // lost and the run must not be reported as a success.
  if (Py_FinalizeEx() < 0) status = 1;
  return status;
}

/* An application's own extension module, linked against a shared library of its own. */
#define PY_SSIZE_T_CLEAN
#include <Python.h>

const char* ostrel_testdep_greeting(void);

static PyObject* greeting(PyObject* self, PyObject* unused) {
  (void)self;
  (void)unused;
  return PyUnicode_FromString(ostrel_testdep_greeting());
}

static PyMethodDef methods[] = {
    {"greeting", greeting, METH_NOARGS, "Text from the library the module links against."},
    {NULL, NULL, 0, NULL}};

static struct PyModuleDef module = {
    PyModuleDef_HEAD_INIT, "ostrel_testext", NULL, -1, methods, NULL, NULL, NULL, NULL};

PyMODINIT_FUNC PyInit_ostrel_testext(void) {
  return PyModule_Create(&module);
}

#include "runtime.h"

#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <stdlib.h>

#include <cstdlib>
#include <cwchar>
#include <memory>
#include <string>

#include "fatal.h"
#include "paths.h"

namespace ostrel {
namespace {

struct RawFree {
  void operator()(wchar_t* text) const { PyMem_RawFree(text); }
};
// A wide string from the runtime's raw allocator, the one Py_DecodeLocale allocates from.
using RawWide = std::unique_ptr<wchar_t, RawFree>;

// Decodes a path the way the runtime decodes the command line and file names, so non-ASCII and
// even undecodable bytes survive the round trip. Null when out of memory.
RawWide decodeLocale(const std::string& bytes) {
  return RawWide(Py_DecodeLocale(bytes.c_str(), nullptr));
}

// `directory`, a slash and `name`, or null when out of memory.
RawWide joinPath(const wchar_t* directory, const wchar_t* name) {
  const std::size_t dirLength = std::wcslen(directory);
  const std::size_t nameLength = std::wcslen(name);
  auto* joined =
      static_cast<wchar_t*>(PyMem_RawMalloc((dirLength + nameLength + 2) * sizeof(wchar_t)));
  if (joined == nullptr) return nullptr;
  std::wmemcpy(joined, directory, dirLength);
  joined[dirLength] = L'/';
  std::wmemcpy(joined + dirLength + 1, name, nameLength);
  joined[dirLength + 1 + nameLength] = L'\0';
  return RawWide(joined);
}

// True when the runtime accepted a step; otherwise its reason has been written to standard error.
bool statusOk(const PyStatus& status) {
  if (!PyStatus_Exception(status)) return true;
  if (PyStatus_IsExit(status)) std::exit(status.exitcode);
  // Written as a launcher failure rather than through Py_ExitStatusException, which aborts the
  // process (a core dump and status 134) where the caller expects status 1.
  std::string message = status.func != nullptr ? std::string(status.func) + ": " : std::string();
  message += status.err_msg != nullptr ? status.err_msg : "unknown error";
  reportFatal(message.c_str());
  return false;
}

PyStatus preInitialize() {
  PyPreConfig preConfig;
  PyPreConfig_InitIsolatedConfig(&preConfig);
  preConfig.isolated = 1;
  preConfig.use_environment = 0;
  preConfig.parse_argv = 0;
  // As a normal start would: LC_CTYPE from the user's locale, so C code and the locale module
  // see it. UTF-8 mode is fixed rather than guessed from the locale, so arguments, file names
  // and standard streams are UTF-8 on every machine, the C locale of a service included.
  preConfig.configure_locale = 1;
  preConfig.utf8_mode = 1;
  return Py_PreInitialize(&preConfig);
}

// What the runtime is told about the program and its application.
struct Launch {
  int argc;
  char** argv;
  const wchar_t* programName;
  const wchar_t* libDir;
  const wchar_t* libraryDatEntry;  // null without a usable "library.dat"
};

bool configure(PyConfig& config, const Launch& launch) {
  // Nothing from outside the application folder may steer the runtime: no environment, no user
  // site directory, no current directory on the path, no site module.
  config.isolated = 1;
  config.use_environment = 0;
  config.user_site_directory = 0;
  config.safe_path = 1;
  config.site_import = 0;
  config.parse_argv = 0;
  config.pathconfig_warnings = 0;
  // The application folder may be read-only and must not change when the program runs.
  config.write_bytecode = 0;
  // Kept from a normal start: Ctrl+C raises KeyboardInterrupt and a closed pipe raises
  // BrokenPipeError instead of killing the process; stdio is set up as usual.
  config.install_signal_handlers = 1;
  config.configure_c_stdio = 1;
  // Setting home keeps the runtime from looking for a "._pth" or "pyvenv.cfg" beside the program
  // or the runtime library, and makes sys.prefix the application's, not the build machine's.
  config.module_search_paths_set = 1;
  return statusOk(PyConfig_SetString(&config, &config.program_name, launch.programName)) &&
         statusOk(PyConfig_SetString(&config, &config.executable, launch.programName)) &&
         statusOk(PyConfig_SetString(&config, &config.home, launch.libDir)) &&
         statusOk(PyConfig_SetBytesArgv(&config, launch.argc, launch.argv)) &&
         (launch.libraryDatEntry == nullptr ||
          statusOk(PyWideStringList_Append(&config.module_search_paths, launch.libraryDatEntry))) &&
         statusOk(PyWideStringList_Append(&config.module_search_paths, launch.libDir));
}

// The runtime's path calculation reads these two variables straight from the process
// environment, even in an isolated configuration, and makes sys.executable whatever they name
// (the program multiprocessing and the like would start). They only ever mean something to a
// Python interpreter, so they are dropped rather than left to redirect the application.
void dropExecutableOverrides() {
  unsetenv("PYTHONEXECUTABLE");
  unsetenv("__PYVENV_LAUNCHER__");
}

bool initializeFromConfig(const Launch& launch) {
  dropExecutableOverrides();
  PyConfig config;
  PyConfig_InitIsolatedConfig(&config);
  const bool initialized = configure(config, launch) && statusOk(Py_InitializeFromConfig(&config));
  PyConfig_Clear(&config);
  return initialized;
}

// The search path entry named by "library.dat" in `libDir`, decoded like the command line.
// A missing or unusable file leaves `entry` null: the launcher goes on with lib_dir alone. Returns
// false only when memory runs out.
bool buildSysPath(const std::string& libDirBytes, const wchar_t* libDir, RawWide& entry) {
  const LibraryDat libraryDat = readLibraryDat(libDirBytes);
  switch (libraryDat.state) {
    case LibraryDatState::absent:
      return true;
    case LibraryDatState::unreadable:
      reportFatal("Unable to read library.dat!");
      return true;
    case LibraryDatState::tooLong:
      reportFatal("library.dat is longer than 1024 bytes!");
      return true;
    case LibraryDatState::containsNul:
      reportFatal("Unable to convert path to string!");
      return true;
    case LibraryDatState::usable:
      break;
  }
  RawWide decoded = decodeLocale(libraryDat.content);
  if (!decoded) {
    reportFatal("Unable to convert path to string!");
    return true;
  }
  entry = joinPath(libDir, decoded.get());
  decoded.reset();
  if (!entry) {
    reportFatal("Out of memory creating sys_path!");
    return false;
  }
  return true;
}

}  // namespace

int initRuntime(int argc, char** argv) {
  // First, so that every path below is decoded as the runtime will decode file names.
  if (!statusOk(preInitialize())) return -1;

  const std::string executable = executablePath();
  if (executable.empty()) return reportFatal("Unable to get executable name!");
  RawWide programName = decodeLocale(executable);
  if (!programName) return reportFatal("Out of memory creating executable!");
  const std::optional<std::string> libDirBytes = libDirOf(executable);
  if (!libDirBytes) return reportFatal("Unable to calculate directory of executable!");
  RawWide libDir = decodeLocale(*libDirBytes);
  if (!libDir) return reportFatal("Out of memory creating lib_dir!");

  RawWide libraryDatEntry;
  if (!buildSysPath(*libDirBytes, libDir.get(), libraryDatEntry)) return -1;

  // The runtime library beside the program and the shared libraries in lib_dir are found through
  // the program's own run path ($ORIGIN and $ORIGIN/lib, searched before LD_LIBRARY_PATH), which
  // is fixed at link time. What remains of preparing that search is that lib_dir must exist.
  if (!isDirectory(*libDirBytes)) return reportFatal("Unable to change DLL search path!");

  const Launch launch{argc, argv, programName.get(), libDir.get(), libraryDatEntry.get()};
  if (!initializeFromConfig(launch)) return -1;

  programName.reset();
  libraryDatEntry.reset();
  libDir.reset();
  return 0;
}

}  // namespace ostrel

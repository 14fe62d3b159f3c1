# Finds the CPython that Ostrel embeds and that ostrel-pack takes its standard library from.
#
# Both must be the same installation: the packed .pyc files carry the runtime's magic number and
# the extension modules its ABI tag. A developer's PATH often leads to another Python (pyenv, a
# virtual environment), so the search is pinned to the distribution's Python under /usr unless the
# caller names another root with -DOSTREL_PYTHON_ROOT=... .
# Included by every directory that needs the results (variables are directory-scoped).
set(OSTREL_PYTHON_ROOT "/usr" CACHE PATH "Prefix of the CPython installation Ostrel embeds")
set(Python3_ROOT_DIR "${OSTREL_PYTHON_ROOT}")
set(Python3_FIND_STRATEGY LOCATION)
set(Python3_FIND_VIRTUALENV STANDARD)
set(Python3_FIND_UNVERSIONED_NAMES NEVER)
if(NOT DEFINED Python3_EXECUTABLE AND EXISTS "${OSTREL_PYTHON_ROOT}/bin/python3")
  # The versioned interpreter the unversioned name points at, not whatever PATH offers.
  file(REAL_PATH "${OSTREL_PYTHON_ROOT}/bin/python3" _ostrel_python)
  set(Python3_EXECUTABLE "${_ostrel_python}" CACHE FILEPATH "Python interpreter matching the embedded runtime")
endif()
find_package(Python3 3.8 REQUIRED COMPONENTS Interpreter Development.Embed Development.Module GLOBAL)

#!/bin/sh
# Builds and runs the whole test suite twice: the release build and the
# AddressSanitizer + UndefinedBehaviorSanitizer build, then a short fuzzing run.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh

for preset in default asan; do
  echo "=== $preset build ==="
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

if [ -x fuzz/run.sh ]; then
  echo "=== fuzzing (short run) ==="
  ./fuzz/run.sh "${FUZZ_SECONDS:-60}"
fi

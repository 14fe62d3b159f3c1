#!/bin/sh
# Builds the reply fuzzer with clang and runs it.
#   fuzz/run.sh [SECONDS] [extra libFuzzer options...]
# SECONDS defaults to 60. The build goes to build/fuzz (override with
# VAREK_FUZZ_BUILD); inputs it finds are kept in build/fuzz/corpus and crashes
# in build/fuzz/artifacts. Exits nonzero when a crash is found.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
seconds=${1:-60}
[ $# -gt 0 ] && shift
build=${VAREK_FUZZ_BUILD:-$here/../build/fuzz}

CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target fuzz_replies

mkdir -p "$build/corpus" "$build/artifacts"
exec "$build/fuzz_replies" -max_total_time="$seconds" -max_len=4200 -timeout=20 \
  -print_final_stats=1 -artifact_prefix="$build/artifacts/" "$@" \
  "$build/corpus" "$here/corpus"

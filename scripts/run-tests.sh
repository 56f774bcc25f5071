#!/usr/bin/env bash
# Configures, builds and tests one build folder: run-tests.sh DIR BUILD_TYPE SANITIZE(ON|OFF)
set -euo pipefail
dir=$1 type=$2 sanitize=$3
jobs=$(nproc 2>/dev/null || echo 2)

echo "== $dir ($type, sanitizers $sanitize)"
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" -DSOLVANE_SANITIZE="$sanitize" >/dev/null
cmake --build "$dir" -j "$jobs"

# Sanitizer reports abort the test that triggers them, so ctest counts it failed.
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
ctest --test-dir "$dir" --output-on-failure -j "$jobs"

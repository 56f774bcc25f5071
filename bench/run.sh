#!/usr/bin/env bash
# Builds the Release tree and runs the performance suite (bench/perf_suite),
# then prints its one table: each figure, the value measured, the baseline
# measured in the same run, their ratio, the target and whether it is met.
# The full benchmark report goes to <build>/bench/perf_suite.log. Arguments go
# to the suite (e.g. --benchmark_filter=Suite_Render). SOLVANE_BENCH_BUILD
# names another build folder (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${SOLVANE_BENCH_BUILD:-build}
generator=()
[ -f "$build/CMakeCache.txt" ] || generator=(-G Ninja)
cmake -S . -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release -DSOLVANE_SANITIZE=OFF \
  -DSOLVANE_BENCH=ON >/dev/null
log="$build/bench/perf_suite.build.log"
mkdir -p "$build/bench"
if ! cmake --build "$build" --target perf_suite -j "$(nproc 2>/dev/null || echo 2)" >"$log" 2>&1; then
  cat "$log" >&2
  exit 1
fi
exec "$build/bench/perf_suite" "$@" 2>"$build/bench/perf_suite.log"

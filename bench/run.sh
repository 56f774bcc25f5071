#!/usr/bin/env bash
# Builds the Release tree and runs the performance suite (bench/perf_suite),
# then prints its one table: each figure, the value measured, the baseline
# measured in the same run, their ratio, the target and whether it is met.
# Its last rows are the running demo's CPU time per demo second in each
# display mode, against the frame loop that polls without pause
# (bench/demo-cpu.sh, on a virtual display).
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
if ! cmake --build "$build" --target perf_suite solvane -j "$(nproc 2>/dev/null || echo 2)" \
  >"$log" 2>&1; then
  cat "$log" >&2
  exit 1
fi
# The running demo's processor time, on a virtual display, before the suite
# (each process has the machine to itself); SOLVANE_BENCH_CPU_SECONDS per run.
rows="$build/bench/demo-cpu.tsv"
bash scripts/with-xvfb.sh 640x480 bash bench/demo-cpu.sh "$build/solvane" \
  "${SOLVANE_BENCH_CPU_SECONDS:-10}" "$rows" >"$build/bench/demo-cpu.log" 2>&1 ||
  printf 'Running demo: CPU per demo second\tnot measured (%s)\t-\t-\t<= 0.10 s\tNO\n' \
    "$build/bench/demo-cpu.log" >"$rows"
SOLVANE_BENCH_EXTRA_ROWS="$rows" exec "$build/bench/perf_suite" "$@" 2>"$build/bench/perf_suite.log"

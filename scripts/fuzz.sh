#!/usr/bin/env bash
# Builds the libFuzzer harnesses (fuzz/) with clang into build-fuzz/ and runs
# each for a while: scripts/fuzz.sh [SECONDS] [HARNESS...]
# SECONDS per harness (default 60; 0 only builds); the harnesses default to all
# of them. SOLVANE_FUZZ_RUNS=N ends each run after N executions instead, when
# that comes first (e.g. SOLVANE_FUZZ_RUNS=10000000 scripts/fuzz.sh 3600 for a
# long run). Each run starts from the seeds in fuzz/corpus/<harness>/ plus what
# earlier runs found (build-fuzz/corpus/<harness>/, where new inputs go), and
# prints its executions per second and total executions from libFuzzer's final
# statistics. Every seed is run in full first. Exits 1 when any harness found
# a crash, a leak, a timeout or ran out of memory; the input that did it is kept as build-fuzz/artifacts/<harness>-*
# and can be run again with: build-fuzz/fuzz-<harness> <that file>
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || harnesses=(lexer scripts zip images kolfile audio release)
dir=build-fuzz
jobs=$(nproc 2>/dev/null || echo 2)

command -v clang++ >/dev/null 2>&1 || { echo "fuzz: clang++ is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DSOLVANE_FUZZ=ON -DSOLVANE_TESTS=OFF -DSOLVANE_BENCH=OFF >/dev/null
fi
cmake --build "$dir" -j "$jobs" --target solvane_fuzz
[ "$seconds" -gt 0 ] || exit 0

# Largest input each harness is given: room for its seeds and a little more.
declare -A max_len=([lexer]=4096 [scripts]=8192 [zip]=16384 [images]=16384 [kolfile]=4096 [audio]=16384 [release]=16384)
symbolizer=$(command -v llvm-symbolizer || command -v llvm-symbolizer-14 || true)
export ASAN_OPTIONS=${ASAN_OPTIONS_FUZZ:-detect_leaks=1:allocator_may_return_null=1${symbolizer:+:external_symbolizer_path=$symbolizer}}
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export SDL_AUDIODRIVER=dummy

mkdir -p "$dir/artifacts" "$dir/logs"
failed=()
echo "== fuzzing ${harnesses[*]} for ${seconds}s each"
for h in "${harnesses[@]}"; do
  [ -x "$dir/fuzz-$h" ] || { echo "fuzz: no harness $h" >&2; exit 1; }
  mkdir -p "$dir/corpus/$h"
  log="$dir/logs/$h.log"
  common=(-timeout=25 -rss_limit_mb=2048 -artifact_prefix="$dir/artifacts/$h-" -close_fd_mask=1)
  options=("${common[@]}" -max_total_time="$seconds" -runs="${SOLVANE_FUZZ_RUNS:--1}" -print_final_stats=1
           -max_len="${max_len[$h]:-4096}")
  [ -f "fuzz/dict/$h.dict" ] && options+=(-dict="fuzz/dict/$h.dict")
  status=0
  # First every seed in full, the inputs that once failed included (while
  # fuzzing, the harnesses pass over some costly inputs; see FuzzSupport.h).
  SOLVANE_FUZZ_FULL=1 "$dir/fuzz-$h" "${common[@]}" -runs=0 "fuzz/corpus/$h" \
    >"$log" 2>&1 || status=$?
  if [ "$status" -eq 0 ]; then
    "$dir/fuzz-$h" "${options[@]}" "$dir/corpus/$h" "fuzz/corpus/$h" \
      >"$log" 2>&1 || status=$?
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log" | tail -1)
  corpus=$(find "$dir/corpus/$h" -type f | wc -l)
  printf '%-8s %12s executions  %8s exec/s  %5s MB peak  %5s inputs found so far\n' \
    "$h" "${runs:-?}" "${rate:-?}" "${rss:-?}" "$corpus"
  if [ "$status" -ne 0 ]; then
    failed+=("$h")
    echo "fuzz: $h failed (exit $status); the end of $log:" >&2
    tail -n 60 "$log" >&2
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: FAILED: ${failed[*]} (inputs in $dir/artifacts/)" >&2
  exit 1
fi
echo "fuzz: no harness found a problem"

#!/usr/bin/env bash
# The web part of the test run, after the Linux build in build/ (whose
# renderer draws the reference frames): the WebAssembly build (build-web.sh),
# the portable suites under Node, the module driven through its exports as a
# page drives it (tests/web/ModuleRun.mjs), with the bundled demo's still
# frames equal to the Linux renderer's bit for bit, the page in headless
# Chromium (tests/web/PageRun.sh), and one frame's cost in wasm against the
# native one (bench/WebFrameBench.cpp, both builds).
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS
[ -x build/solvane-render ] || { echo "web-tests: build the Linux side first (build/)" >&2; exit 1; }

./build-web.sh
built=$SECONDS

# A suite gets a second run only when its first crashed or failed: Node 20's
# WASI now and then dies on a test program's exit after every test passed
# (seen once in some hundred runs, only under load); a real failure fails
# both runs.
(cd build-web && ctest -j2 --output-on-failure --timeout 180 --repeat until-pass:2)

frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT
times=(0.5 12.345 30 47.9)
node --no-warnings tests/web/ModuleRun.mjs build-web/solvane.wasm \
  build-web/solvane.dat build/src/ui/title-picture.ppm "$frames" "${times[@]}"
for t in "${times[@]}"; do
  build/solvane-render --frame "$t" "$frames/linux-$t.png" >/dev/null
  differing=$(compare -metric AE "$frames/linux-$t.png" "$frames/$t.ppm" null: 2>&1 || true)
  if [ "$differing" != 0 ]; then
    echo "web-tests: the bundled demo at $t s differs from the Linux renderer's in $differing pixels" >&2
    exit 1
  fi
done
echo "web-tests: the module's frames of the bundled demo at ${times[*]} s are the Linux ones"

# The page solvane-pack --web makes, in headless Chromium from disk.
bash tests/web/PageRun.sh build build-web

# One frame through the module's calls, wasm under Node and in Chromium
# against native, in the same run. Said, not judged: the machine's load
# decides the numbers. Node compiles the wasm optimized from the start
# (--no-liftoff), as a page has after its first frames.
cmake --build build --target web-frame-bench >/dev/null
native=$(build/bench/web-frame-bench build/solvane.dat | tail -n 1)
wasm=$(node --no-warnings --no-liftoff scripts/run-wasi.mjs build-web/bench/web-frame-bench \
  build-web/solvane.dat | tail -n 1)
node --no-warnings tests/web/PageDriver.mjs "$frames" "bench|bench|file://$PWD/build-web/solvane.html?bench" >/dev/null
browser=$(node -e 'console.log(require(process.argv[1]).usPerFrame.toFixed(1))' "$frames/bench.json")
us() { sed -n 's/.*, \([0-9.]*\) us a frame$/\1/p' <<<"$1"; }
ratio() { awk -v w="$1" -v n="$(us "$native")" 'BEGIN { printf "%.2f", w / n }'; }
echo "web-tests: a frame of the bundled demo: native $(us "$native") us, wasm under Node $(us "$wasm") us" \
  "($(ratio "$(us "$wasm")")x), in Chromium $browser us ($(ratio "$browser")x)"
echo "web-tests: passed in $((SECONDS - started)) s (of which the build $((built - started)) s)"

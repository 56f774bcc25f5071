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

(cd build-web && ctest -j2 --output-on-failure --timeout 180)

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

# One frame through the module's calls, wasm under Node against native, in
# the same run. Said, not judged: the machine's load decides the numbers.
# The wasm is compiled optimized from the start (--no-liftoff), as a page's
# is after its first frames, rather than while the frames are timed.
[ -x build/bench/web-frame-bench ] || cmake --build build --target web-frame-bench >/dev/null
native=$(build/bench/web-frame-bench build/solvane.dat | tail -n 1)
wasm=$(node --no-warnings --no-liftoff scripts/run-wasi.mjs build-web/bench/web-frame-bench \
  build-web/solvane.dat | tail -n 1)
us() { sed -n 's/.*, \([0-9.]*\) us a frame$/\1/p' <<<"$1"; }
echo "web-tests: a frame of the bundled demo: native $(us "$native") us, wasm $(us "$wasm") us," \
  "$(awk -v w="$(us "$wasm")" -v n="$(us "$native")" 'BEGIN { printf "%.2f", w / n }')x"
echo "web-tests: passed in $((SECONDS - started)) s (of which the build $((built - started)) s)"

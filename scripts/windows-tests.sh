#!/usr/bin/env bash
# The Windows part of the test run, after the Linux build in build/ (whose
# renderer draws the reference frames): the cross build and the release zip
# (build-windows.sh), the portable suites under wine, the bundled demo drawn
# by solvane-render.exe equal to the Linux renderer's frames, and the viewer
# itself under wine on a virtual X display (tests/e2e/WineWindowRun.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS
[ -x build/solvane-render ] || { echo "windows-tests: build the Linux side first (build/)" >&2; exit 1; }

./build-windows.sh
built=$SECONDS

source scripts/wine-env.sh
wine_start
trap wine_stop EXIT
(cd build-windows && ctest -j2 --output-on-failure --timeout 180)

# The same frames on both systems, bit for bit: the picture is arithmetic the
# two compilers and C libraries must agree on.
frames=$(mktemp -d)
trap 'wine_stop; rm -rf "$frames"' EXIT
for t in 0.5 12.345 47.9; do
  build/solvane-render --frame "$t" "$frames/linux.png" >/dev/null
  (cd build-windows && timeout 120 wine ./solvane-render.exe --frame "$t" "$frames/windows.png" \
    </dev/null >/dev/null 2>&1)
  differing=$(compare -metric AE "$frames/linux.png" "$frames/windows.png" null: 2>&1 || true)
  if [ "$differing" != 0 ]; then
    echo "windows-tests: the bundled demo at $t s differs in $differing pixels" >&2
    exit 1
  fi
done
echo "windows-tests: the bundled demo's frames at 0.5, 12.345 and 47.9 s are the Linux ones"
wine_stop

bash scripts/with-xvfb.sh 1024x768 bash tests/e2e/WineWindowRun.sh build-windows \
  build/solvane-render build/src/ui/title-picture.ppm tests/sound/data/tone.mp3
echo "windows-tests: passed in $((SECONDS - started)) s (of which the build $((built - started)) s)"

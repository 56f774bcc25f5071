#!/usr/bin/env bash
# Installs what is missing, builds the release program and the bundled demo,
# and plays it. Until the program has its window backend (and whenever there is
# no display), the demo is rendered offline instead: out/strip.png shows the
# whole demo in one picture, out/solvane.mp4 is a video of it when ffmpeg is
# installed.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DSOLVANE_TESTS=OFF -DSOLVANE_BENCH=OFF >/dev/null
cmake --build build --target solvane solvane-render demo_data

mkdir -p out
echo "solvane: no window backend yet; rendering the bundled demo offline."
args=(--strip out/strip.png)
if command -v ffmpeg >/dev/null 2>&1; then
  args+=(--video out/solvane.mp4)
fi
./build/solvane-render "${args[@]}" "$@"
echo
echo "The whole demo in one picture (one row per frame, 50 per second): out/strip.png"
[ -f out/solvane.mp4 ] && echo "The demo as a video: out/solvane.mp4"
exit 0

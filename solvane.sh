#!/usr/bin/env bash
# Installs what is missing, builds the release program and the bundled demo,
# and plays it: on a desktop (DISPLAY or WAYLAND_DISPLAY set) the program shows
# its start dialog and then the demo. Without a display the demo is rendered
# offline instead: out/strip.png shows the whole demo in one picture, and
# out/solvane.mp4 is a video of it when ffmpeg is installed.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DSOLVANE_TESTS=OFF -DSOLVANE_BENCH=OFF >/dev/null
cmake --build build --target solvane solvane-render demo_data

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  # Arguments go to the program: "l" appends its log to kol.log.
  exec ./build/solvane "$@"
fi

mkdir -p out
echo "solvane: no display here; rendering the bundled demo offline."
args=(--strip out/strip.png)
if command -v ffmpeg >/dev/null 2>&1; then
  args+=(--video out/solvane.mp4)
fi
./build/solvane-render "${args[@]}"
echo
echo "The whole demo in one picture (one row per frame, 50 per second): out/strip.png"
[ -f out/solvane.mp4 ] && echo "The demo as a video: out/solvane.mp4"
exit 0

#!/usr/bin/env bash
# Cross-builds Solvane for 64-bit Windows with mingw-w64 into build-windows/
# and makes the release: build-windows/dist/ holds solvane.exe,
# solvane-render.exe, solvane.dat (the bundled demo with bass.dll, the audio
# library) and solvane.mp3, and build-windows/solvane-windows.zip is that
# folder. The libraries come from Debian's source packages, cross-built once
# into a cache outside the clone (scripts/windows-deps.sh). The build runs its
# own generators under wine. The portable unit tests are built too; ./test.sh
# runs them under wine.
set -euo pipefail
cd "$(dirname "$0")"
prefix=$(bash scripts/windows-deps.sh)
source scripts/wine-env.sh
wine_start
trap wine_stop EXIT

cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake \
  -DSOLVANE_WINDOWS_PREFIX="$prefix" >/dev/null
cmake --build build-windows -j"$(nproc)"

dist=build-windows/dist
rm -rf "$dist" build-windows/solvane-windows.zip
mkdir -p "$dist"
cp build-windows/solvane.exe build-windows/solvane-render.exe build-windows/solvane.dat \
  build-windows/solvane.mp3 "$dist/"
(cd "$dist" && cmake -E tar cf ../solvane-windows.zip --format=zip -- *)
echo "build-windows: $(du -k build-windows/solvane-windows.zip | cut -f1) KiB in build-windows/solvane-windows.zip"

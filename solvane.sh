#!/usr/bin/env bash
# Installs what is missing, builds the release program and runs it.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DSOLVANE_TESTS=OFF >/dev/null
cmake --build build --target solvane
exec ./build/solvane "$@"

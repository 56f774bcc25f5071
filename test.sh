#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite
# twice: a normal build, then one with address and undefined-behaviour
# sanitizers, where any sanitizer report fails the run; then every fuzz harness
# for a short while (SOLVANE_FUZZ_SECONDS each, 20 by default), where any crash
# fails the run; then the Windows build, cross-compiled, with its tests under
# wine and the release zip (scripts/windows-tests.sh); then the WebAssembly
# build, with its tests under Node (scripts/web-tests.sh).
#
#   ./test.sh                  everything
#   ./test.sh --skip-windows   everything but the Windows part, said so at the end
#   ./test.sh --skip-web       everything but the web part, said so at the end
set -euo pipefail
cd "$(dirname "$0")"
windows=yes
web=yes
for argument in "$@"; do
  case $argument in
    --skip-windows) windows=no ;;
    --skip-web) web=no ;;
    *) echo "usage: ./test.sh [--skip-windows] [--skip-web]" >&2; exit 2 ;;
  esac
done
bash scripts/install-deps.sh
bash scripts/run-tests.sh build Release OFF
bash scripts/run-tests.sh build-sanitize Debug ON
bash scripts/fuzz.sh "${SOLVANE_FUZZ_SECONDS:-20}"
if [ "$windows" = yes ]; then
  bash scripts/windows-tests.sh
else
  echo "test: the Windows build and its tests were skipped (--skip-windows)"
fi
if [ "$web" = yes ]; then
  bash scripts/web-tests.sh
else
  echo "test: the web build and its tests were skipped (--skip-web)"
fi

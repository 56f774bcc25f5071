#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite
# twice: a normal build, then one with address and undefined-behaviour
# sanitizers, where any sanitizer report fails the run; then every fuzz harness
# for a short while (SOLVANE_FUZZ_SECONDS each, 20 by default), where any crash
# fails the run.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh
bash scripts/run-tests.sh build Release OFF
bash scripts/run-tests.sh build-sanitize Debug ON
bash scripts/fuzz.sh "${SOLVANE_FUZZ_SECONDS:-20}"

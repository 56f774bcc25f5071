#!/usr/bin/env bash
# The whole program on the headless backend, from the entry through the start
# dialog to the end of a small demo, driven only by scripted key presses:
# HeadlessProgramRun.sh PATH/TO/solvane. Checks exit codes and kol.log.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$program" "$work/solvane"
mkdir -p "$work/data/Script/Effect" "$work/data/Script/Float"
printf '0 - 2 Wave ;\n' >"$work/data/Script/Demo.txt"
printf 'Alpha = one; Add = zero; WaveLarge:\n' >"$work/data/Script/Effect/Wave.txt"
printf '0 : 1 ;\n' >"$work/data/Script/Float/one.txt"
printf '0 : 0 ;\n' >"$work/data/Script/Float/zero.txt"
cd "$work"

source "$here/Checks.sh"
run() {  # run INPUT ARGUMENT...: the exit status, with kol.log started afresh
  local input=$1
  shift
  rm -f kol.log
  set +e
  SOLVANE_PLATFORM=headless SOLVANE_HEADLESS_INPUT="$input" ./solvane "$@" >stdout.txt 2>&1
  status=$?
  set -e
}
separator=$'\n------------------------------------------------\n'

# Choose "No Sound" and "Windowed" with the keys, start, and type three letters
# while the demo plays: the demo runs its two seconds and logs the key marks.
run "tab end tab end return s o l" l
check "a started run exits 0" 0 "$status"
check "a started run logs set-up and key marks" "$separator
Data file [$work/solvane.dat] not present
Surface: 640x480
Script Demo.txt: 1 Effects
0.004 : S
0.005 : O
0.006 : L" "$(cat kol.log)"

# Escape in the dialog: nothing is set up, the log holds only its separator.
run "escape" Log
check "a cancelled run exits 0" 0 "$status"
check "a cancelled run logs nothing" "$(printf '%s' "$separator")" "$(cat kol.log)"

# Without an "l" argument there is no log file; the echo still shows the run.
run "return"
check "no argument, no log file" "absent" "$([ -e kol.log ] && echo present || echo absent)"
check "the echo shows the run" "Script Demo.txt: 1 Effects" "$(grep -o 'Script Demo.txt: 1 Effects' stdout.txt)"

# Unknown scripted input, and no display for the window backend, are refused in one line.
run "tab sideways" l
check "unknown input exits 1" 1 "$status"
check "unknown input is named" 'solvane: SOLVANE_HEADLESS_INPUT: unknown key "sideways"' "$(cat stdout.txt)"
set +e
env -u SOLVANE_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY ./solvane >stdout.txt 2>&1
status=$?
set -e
check "no display exits 1" 1 "$status"
check "no display is said in one line" \
  "solvane: cannot open a display: neither DISPLAY nor WAYLAND_DISPLAY is set" "$(cat stdout.txt)"

finish

#!/usr/bin/env bash
# The whole program on the headless backend, from the entry through the start
# dialog to the end of a small demo, driven only by scripted key presses:
# HeadlessProgramRun.sh PATH/TO/solvane AUDIO_LIBRARY MUSIC. Checks exit codes
# and kol.log.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=$1
audio=$(realpath "$2") music=$(realpath "$3")
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
  # The old run's output must not be taken for this one's before the new one truncates it.
  rm -f kol.log stdout.txt
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

# A hostile start. Standard output closed: kol.log must not become descriptor
# 1, or every line would land in it twice.
rm -f kol.log
SOLVANE_PLATFORM=headless SOLVANE_HEADLESS_INPUT="tab end tab end return s" ./solvane l >&- 2>&-
check "stdout closed: exits 0" 0 "$?"
check "stdout closed: each line once" 1 "$(grep -c '^Surface: 640x480$' kol.log)"
# Standard output a pipe that is gone at once: no SIGPIPE, the log complete.
rm -f kol.log
set +e
SOLVANE_PLATFORM=headless SOLVANE_HEADLESS_INPUT="tab end tab end return s o" ./solvane l | head -c1 >/dev/null
status=${PIPESTATUS[0]}
set -e
check "stdout a closed pipe: exits 0" 0 "$status"
check "stdout a closed pipe: the log is whole" "Script Demo.txt: 1 Effects
0.004 : S
0.005 : O" "$(tail -n 3 kol.log)"

# FIFOs in place of the log, the archive and a script: each is a clear line
# and counts as missing; nothing waits for a writer that never comes.
rm -f kol.log
mkfifo kol.log solvane.dat
set +e
SOLVANE_PLATFORM=headless SOLVANE_HEADLESS_INPUT="tab end tab end return" timeout 10 ./solvane l >stdout.txt 2>&1
status=$?
set -e
check "a FIFO log and archive: exits 0, no hang" 0 "$status"
check "a FIFO log and archive: both said" "Log file [kol.log] is not a regular file; the log is not written to it
KolDataUnzip::Open: [$work/solvane.dat] is not a regular file
Data file [$work/solvane.dat] not present" "$(head -n 3 stdout.txt)"
check "a FIFO log and archive: the demo still runs" "Script Demo.txt: 1 Effects" \
  "$(grep -o 'Script Demo.txt: 1 Effects' stdout.txt)"
rm -f kol.log solvane.dat
mv data/Script/Float/one.txt one.txt
mkfifo data/Script/Float/one.txt
run "tab end tab end return" l
rm -f data/Script/Float/one.txt
mv one.txt data/Script/Float/one.txt
check "a FIFO script: the demo does not start, and the exit says so" 1 "$status"
check "a FIFO script: said before the error" "KolDataStdio::Load: [Script/Float/one.txt] is not a regular file" \
  "$(grep -o 'KolDataStdio::Load: .*' kol.log)"

# --help (and -h) print the usage and exit 0 without starting any backend,
# even where no display could be opened; the files named are those the
# program reads after its own name.
cp solvane neon
for run in solvane:--help solvane:-h neon:--help; do
  name=${run%%:*} flag=${run#*:}
  set +e
  env -u DISPLAY -u WAYLAND_DISPLAY SOLVANE_PLATFORM=sdl "./$name" "$flag" >stdout.txt 2>&1
  status=$?
  set -e
  check "$name $flag exits 0" 0 "$status"
  check "$name $flag starts with the usage line" "usage: $name [l]" "$(head -n 1 stdout.txt)"
  check "$name $flag names its data and music" "The data is $name.dat, else data/, beside the program;
the music $name.mp3 beside it." "$(grep -A1 '^The data is' stdout.txt)"
  check "$name $flag names the log argument and the three variables" 4 \
    "$(grep -cE '^  (l |SOLVANE_PLATFORM|SOLVANE_HEADLESS_INPUT|SOLVANE_FRAME_LOOP)' stdout.txt)"
done
rm neon

# A wrong Release.txt is one warning line: the demo plays under its own name.
printf 'Title = "Neon" ;\nBanner = "Image/none.tga" ;\n' >data/Release.txt
run "tab end tab end return" l
rm data/Release.txt
check "a wrong Release.txt: exits 0" 0 "$status"
check "a wrong Release.txt: said in one line, and the demo plays" \
  'Warning: Release.txt (line 2, column 1): the banner "Image/none.tga" cannot be loaded: the image is missing from the data, or cannot be read; the release keeps the name Solvane and its banner
Script Demo.txt: 1 Effects' "$(grep -E '^(Warning: Release|Script Demo)' kol.log)"

# A demo that cannot be set up exits 1 once started (it used to end in 0 with
# a black screen); cancelled in the dialog it is still exit 0.
cp data/Script/Demo.txt Demo.txt
printf 'Alpha = one; Add = zero; Wavelarge:\n' >data/Script/Effect/Broken.txt
printf '0 - 2 Broken ;\n' >data/Script/Demo.txt
run "tab end tab end return" l
check "a broken demo, started: exits 1" 1 "$status"
check "a broken demo: its log lines are as before" "Script Demo.txt: 0 Effects
Error: Script/Demo.txt (line 1, column 14): E0003 - Syntax error" "$(grep -A1 'Script Demo.txt' kol.log)"
run "escape" l
check "a broken demo, cancelled: exits 0" 0 "$status"
mv data data.away
run "tab end tab end return" l
mv data.away data
check "no data at all, started: exits 1" 1 "$status"
mv Demo.txt data/Script/Demo.txt
rm data/Script/Effect/Broken.txt

# SIGTERM, SIGINT and SIGHUP end a demo that would never end by itself as
# Escape does: exit 0 within a second, key marks in the log. The last run
# plays music (stereo, to SDL's dummy driver), whose audio subsystem would
# otherwise take the signals for itself.
printf '0 - 10000000000 Wave ;\n' >"$work/data/Script/Demo.txt"
for signal in TERM INT HUP TERM+music; do
  input="tab end tab end return k"
  if [ "$signal" = TERM+music ]; then
    signal=TERM input="tab tab end return k"
    cp "$audio" data/bass.dll
    cp "$music" solvane.mp3
    export SDL_AUDIODRIVER=dummy
  fi
  # The old run's output must not be taken for this one's before the new one truncates it.
  rm -f kol.log stdout.txt
  SOLVANE_PLATFORM=headless SOLVANE_HEADLESS_INPUT="$input" ./solvane l >stdout.txt 2>&1 &
  pid=$!
  until grep -q 'Script Demo.txt' stdout.txt 2>/dev/null || ! kill -0 "$pid" 2>/dev/null; do sleep 0.05; done
  kill -s "$signal" "$pid"
  ended=no
  for _ in $(seq 20); do
    kill -0 "$pid" 2>/dev/null || { ended=yes; break; }
    sleep 0.05
  done
  check "SIG$signal ends the headless demo within a second" yes "$ended"
  [ "$ended" = yes ] || kill -9 "$pid"
  wait "$pid"
  check "SIG$signal: exits 0" 0 "$?"
  check "SIG$signal: the key mark is logged" 1 "$(grep -cE '^[0-9]+\.[0-9]{3} : K$' kol.log)"
done

check "the music run loaded the audio library" 0 "$(grep -c 'BASS' kol.log)"

finish

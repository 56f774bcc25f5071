#!/usr/bin/env bash
# solvane-live as a program on the headless backend: LiveHeadlessRun.sh SOLVANE_LIVE DATA_DIR
# Scripted keys pause, step and mark; the run ends once they are typed, with
# 0; a broken demo is said with its hint and still ends with 0 (the tool waits
# for a fix, it does not fail); bad arguments give 2 and the usage.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
live=$(realpath "$1") data=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$here/Checks.sh"
export SDL_AUDIODRIVER=dummy SOLVANE_PLATFORM=headless

out=$(SOLVANE_HEADLESS_INPUT="space right shift+right k" timeout 20 "$live" --data "$data" --bpm 120 \
  --from 10 --music "$work/none.mp3" 2>"$work/err.txt")
check "the run ends with 0 once the keys are typed" 0 "$?"
# The virtual clock moves a millisecond a reading, so the pause lands just
# after 10 s; the steps from there go to the next beat and bar lines.
read -r paused beat bar mark <<<"$(grep -E '^(paused at |[0-9.]+ : 1 ;$)' <<<"$out" |
  sed -E 's/^paused at //; s/ : 1 ;$//' | tr '\n' ' ')"
check "the pause lands at --from" yes "$(awk -v t="$paused" 'BEGIN { print (t >= 10 && t < 10.1) ? "yes" : "no" }')"
check "the next beat, the next bar and a mark there" "10.500 12.000 12.000" "$beat $bar $mark"
check "no music is said once" 1 "$(grep -c 'no music' "$work/err.txt")"

cp -r "$data" "$work/broken"
sed -i 's/Scroller *:/Scrolr :/' "$work"/broken/Script/Effect/*.txt
SOLVANE_HEADLESS_INPUT="" timeout 20 "$live" --data "$work/broken" --music "$work/none.mp3" \
  >/dev/null 2>"$work/err.txt"
check "a broken demo still ends with 0" 0 "$?"
check "its error is said with the hint" yes \
  "$(grep -q 'hint: .*unknown effect kind "Scrolr"' "$work/err.txt" && grep -q 'last good demo goes on' "$work/err.txt" && echo yes)"

# --record: keys typed into a new track, on the beat, one undone; an archive
# has no file to write into and is refused.
cp -r "$data" "$work/rec"
out=$(SOLVANE_HEADLESS_INPUT="space minus 1 period 5 enter ctrl+z 2 enter" timeout 20 "$live" \
  --data "$work/rec" --record Made --bpm 120 --from 10 --music "$work/none.mp3" 2>"$work/err.txt")
check "a key typed, undone and typed again" "10.000 : 2 ;" "$(cat "$work/rec/Script/Float/Made.txt")"
check "each said" yes "$(grep -q '^Script/Float/Made.txt: 10.000 : -1.5 ;$' <<<"$out" &&
  grep -q '^Script/Float/Made.txt: undone' <<<"$out" && echo yes)"
archive="$(dirname "$data")/solvane.dat"
timeout 20 "$live" --data "$archive" --record Made --music "$work/none.mp3" >/dev/null 2>"$work/err.txt"
check "--record refuses an archive" 2 "$?"
check "naming it and asking for the data directory" yes \
  "$(grep -qF "$archive is an archive: give the data directory with --data DIR" "$work/err.txt" && echo yes)"

timeout 20 "$live" --loop 5 2 >/dev/null 2>"$work/err.txt"
check "bad arguments give 2" 2 "$?"
check "and the usage" yes "$(grep -q '^usage: solvane-live' "$work/err.txt" && echo yes)"
finish

#!/usr/bin/env bash
# The running demo's processor time, from the process itself: CPU seconds per
# second of demo, windowed and in both full screens, for the frame loop that
# sleeps between frames and for the loop that polls without pause
# (SOLVANE_FRAME_LOOP=poll), measured in the same run. Runs on a virtual
# display (through scripts/with-xvfb.sh) at 640x480, so both full screens get
# their mode; the music plays to SDL's dummy audio driver.
#   demo-cpu.sh SOLVANE SECONDS OUT.tsv
# Writes one table row a display mode to OUT.tsv (tab-separated: figure,
# measured, baseline, ratio, target, met) and prints the same rows.
set -uo pipefail
solvane=$(realpath "$1") seconds=$2 out=$3
export SDL_AUDIODRIVER=dummy
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The bundled demo as built: the program, its data and its music side by side.
dir=$(dirname "$solvane")
cp "$solvane" "$dir/solvane.dat" "$dir/solvane.mp3" "$work/"
ticks=$(getconf CLK_TCK)

poll() {  # poll SECONDS COMMAND...
  local until=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    [ "$SECONDS" -ge "$until" ] && return 1
    sleep 0.05
  done
}
# User and system time of the process so far, in clock ticks.
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
dialog_of() { xdotool search --all --onlyvisible --pid "$1" --name '^Solvane$' 2>/dev/null | head -n 1; }

# measure LOOP KEYS: CPU seconds per demo second over SECONDS of the running demo.
measure() {
  local loop=$1 keys=$2 pid dialog before after start end
  (cd "$work" && SOLVANE_FRAME_LOOP=$loop exec ./solvane >/dev/null 2>&1) &
  pid=$!
  poll 10 dialog_of "$pid" || { kill "$pid"; echo "no dialog"; return 1; }
  dialog=$(dialog_of "$pid")
  xdotool windowactivate --sync "$dialog" >/dev/null 2>&1
  xdotool key --delay 30 $keys
  # The demo runs once a 640x480 window of the program is up; a second to settle.
  poll 10 sh -c "xdotool search --all --onlyvisible --pid $pid --name '^Solvane$' | while read -r w; do xwininfo -id \$w | grep -q 'Width: 640' && exit 0; done; exit 1"
  sleep 1
  before=$(cpu_ticks "$pid") start=$(date +%s.%N)
  sleep "$seconds"
  after=$(cpu_ticks "$pid") end=$(date +%s.%N)
  kill -TERM "$pid"
  wait "$pid" 2>/dev/null
  awk -v t=$((after - before)) -v hz="$ticks" -v a="$start" -v b="$end" \
    'BEGIN {printf "%.3f", t / hz / (b - a)}'
}

: >"$out"
for mode in "Windowed:Tab Tab End Return" "Full Screen (DDraw):Return" \
            "Full Screen (GDI):Tab Tab Down Return"; do
  name=${mode%%:*} keys=${mode#*:}
  waited=$(measure wait "$keys") || waited=-1
  polled=$(measure poll "$keys") || polled=-1
  ratio=$(awk -v w="$waited" -v p="$polled" 'BEGIN {if (p > 0) printf "%.3fx", w / p; else print "-"}')
  met=$(awk -v w="$waited" 'BEGIN {print (w >= 0 && w <= 0.10) ? "yes" : "NO"}')
  printf 'Running demo, %s: CPU per demo second\t%s s\t%s s (the polling loop)\t%s\t<= 0.10 s\t%s\n' \
    "$name" "$waited" "$polled" "$ratio" "$met" | tee -a "$out"
done

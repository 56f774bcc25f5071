#!/usr/bin/env bash
# solvane-live in a real window on a virtual X display with a window manager
# (run through scripts/with-xvfb.sh):
#   LiveWindowRun.sh SOLVANE_LIVE SOLVANE_RENDER
# The demo's picture equals the offline renderer's frame exactly; an edited
# script changes the picture within a second; a broken one keeps the picture
# with the error over it, and fixing it brings the new picture; Space pauses
# and prints the time; Escape ends the tool with 0. Every wait polls with a
# deadline.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
live=$(realpath "$1") render=$(realpath "$2")
export SDL_AUDIODRIVER=dummy
work=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
source "$here/Checks.sh"

window() { xdotool search --all --onlyvisible --pid "$pid" --name '^Solvane$' 2>/dev/null | head -n1; }
origin() { xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x " " y}'; }
shows() {  # shows IMAGE: the window's client area shows the image exactly
  import -window root "$work/shot.png" 2>/dev/null || return 1
  convert "$work/shot.png" -crop "640x480+$x+$y" +repage "$work/crop.png" || return 1
  [ "$(compare -metric AE "$1" "$work/crop.png" null: 2>&1)" == "0" ]
}
bottom_left() { convert "$work/shot.png" -format "%[hex:p{$((x + 3)),$((y + 470))}]" info:; }
ended() { ! kill -0 "$pid" 2>/dev/null; }

# A still demo: a blue field under a pale bar whose width comes from Size.txt.
mkdir -p data/Script/Effect data/Script/Float data/Script/Texture
printf '0 - 30 Bar ;\n0 - 30 Field ;\n' >data/Script/Demo.txt
printf 'Alpha = Half ; Add = Zero ;\nEndEffect : Fade = One ; Size = Size ;\n' >data/Script/Effect/Bar.txt
printf 'Alpha = One ; Add = Zero ;\nScroller : Delta = Zero ; Speed = Zero ; YDelta = Zero ; YSpeed = Zero ; Tex = Tint ;\n' \
  >data/Script/Effect/Field.txt
printf 'Texture : Color = 0.2, 0.4, 0.8 ; Alpha = 1 ;\n' >data/Script/Texture/Tint.txt
printf '0 : 1 ;\n' >data/Script/Float/One.txt
printf '0 : 0 ;\n' >data/Script/Float/Zero.txt
printf '0 : 0.5 ;\n' >data/Script/Float/Half.txt
printf '0 : 0.3 ;\n' >data/Script/Float/Size.txt
"$render" --data data --frame 1 narrow.png >/dev/null 2>&1

"$live" --data data >stdout.txt 2>stderr.txt &
pid=$!
poll_ms 10000 sh -c "[ -n \"\$(xdotool search --all --onlyvisible --pid $pid --name '^Solvane\$')\" ]"
win=$(window)
check "the live window appears" yes "$([ -n "$win" ] && echo yes)"
[ -n "$win" ] || finish
read -r x y <<<"$(origin "$win")"
poll_ms 5000 shows narrow.png
check "the window shows the renderer's frame exactly" yes "$(shows narrow.png && echo yes)"
check "no music beside the data is said once" 1 "$(grep -c 'no music' stderr.txt)"

# An edit: the picture changes within a second.
printf '0 : 0.7 ;\n' >data/Script/Float/Size.txt
edited=$(date +%s%3N)
"$render" --data data --frame 1 wide.png >/dev/null 2>&1
poll_ms 1000 shows wide.png
took=$(($(date +%s%3N) - edited))
check "an edit shows within a second" yes "$(shows wide.png && echo yes)"
echo "the edit showed after $took ms"

# A broken edit keeps the wide bar with the error over the bottom; the fix
# brings the narrow bar back.
printf 'Alpha = Half ; Add = Zero ;\nEndEffect : Fade = One ; Sise = Size ;\n' >data/Script/Effect/Bar.txt
poll_ms 2000 sh -c "grep -q 'last good demo' $work/stderr.txt"
check "the error is said on stderr" yes "$(grep -q 'Script/Effect/Bar.txt' stderr.txt && echo yes)"
poll_ms 1000 sh -c "import -window root $work/shot.png && [ \"\$(convert $work/shot.png -format '%[hex:p{$((x + 3)),$((y + 470))}]' info:)\" = 801010 ]"
check "the error shows at the bottom of the picture" 801010 "$(bottom_left)"
printf 'Alpha = Half ; Add = Zero ;\nEndEffect : Fade = One ; Size = Size ;\n' >data/Script/Effect/Bar.txt
printf '0 : 0.3 ;\n' >data/Script/Float/Size.txt
poll_ms 2000 shows narrow.png
check "the fix shows the new picture without the error" yes "$(shows narrow.png && echo yes)"

xdotool windowactivate "$win" >/dev/null 2>&1
poll_ms 2000 sh -c "[ \"\$(xdotool getwindowfocus)\" = $win ]"
xdotool key --delay 30 space
poll_ms 2000 grep -q '^paused at ' stdout.txt
check "Space pauses and prints the time" yes "$(grep -qE '^paused at [0-9]+\.[0-9]{3}$' stdout.txt && echo yes)"
xdotool key --delay 30 Escape
poll_ms 5000 ended
wait "$pid"
check "Escape ends the tool with 0" 0 "$?"
pid=""
finish

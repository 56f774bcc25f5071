#!/usr/bin/env bash
# The real program on a virtual X display with a window manager (run through
# scripts/with-xvfb.sh):
#   RealWindowRun.sh CASE SOLVANE SOLVANE_RENDER TITLE_PPM AUDIO_LIBRARY MUSIC
#   windowed  (1024x768 screen) the dialog on screen, "Windowed" and "No Sound"
#             chosen with keys, the demo's picture, a key mark, Escape, a
#             second copy refused while the first shows its window, and the
#             window manager's close on the dialog and on the demo
#   exact     (640x480 screen) Enter at once: the exclusive full screen at the
#             exact mode, with the music in stereo (SDL's dummy audio driver),
#             then the GDI full screen; both show the frame exactly
#   scaled    (1280x720 screen, no 640x480 mode) the exclusive output scales the
#             picture to the screen with black bars; the GDI full screen refuses
# Every wait polls with a deadline.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
case=$1
solvane=$(realpath "$2") render=$(realpath "$3") title=$(realpath "$4")
audio=$(realpath "$5") music=$(realpath "$6")
# No sound card on test machines: the music plays to SDL's dummy driver.
export SDL_AUDIODRIVER=dummy
work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; rm -rf "$work"' EXIT
cd "$work"

source "$here/Checks.sh"
make_demo() {  # make_demo DIR: the still demo with the program, its library and music
  write_still_demo "$1/data"
  cp "$solvane" "$1/solvane"
  cp "$audio" "$1/data/bass.dll"
  cp "$music" "$1/solvane.mp3"
}
make_demo "$work/one"
"$render" --data "$work/one/data" --frame 1 "$work/frame.png" >/dev/null 2>&1

start() {  # start DIR: runs the program there with the log on; sets pid
  mkdir -p "$work/tmp"
  (cd "$1" && TMPDIR="$work/tmp" exec ./solvane l >stdout.txt 2>&1) &
  pid=$!
  pids+=("$pid")
}
window_of() {  # window_of PID [WIDTH HEIGHT]: the visible "Solvane" window of the process
  local id
  for id in $(xdotool search --all --onlyvisible --pid "$1" --name '^Solvane$' 2>/dev/null); do
    if [ $# -eq 1 ] || [ "$(geometry "$id")" == "$2x$3" ]; then
      echo "$id"
      return 0
    fi
  done
  return 1
}
geometry() { xwininfo -id "$1" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'; }
origin() { xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x " " y}'; }
# Whether the screen region WxH+X+Y shows the image exactly.
shows() {  # shows IMAGE W H X Y
  import -window root "$work/shot.png" 2>/dev/null || return 1
  convert "$work/shot.png" -crop "$2x$3+$4+$5" +repage "$work/crop.png" || return 1
  [ "$(compare -metric AE "$1" "$work/crop.png" null: 2>&1)" == "0" ]
}
pixel() { convert "$work/shot.png" -format "%[hex:p{$1,$2}]" info:; }
ended() { ! kill -0 "$1" 2>/dev/null; }
exit_status() {  # exit_status PID: waits (the caller polled ended first)
  wait "$1"
  echo $?
}
press() {  # press WINDOW KEY...: keys to the window, once it has the focus
  # Activating a window that has the focus already would make a full-screen
  # window give the display up for a moment, so only when it has not.
  # The window manager may keep the focus where the user last typed; then the
  # focus is set directly.
  local focused="[ \"\$(xdotool getwindowfocus)\" = $1 ]"
  poll_ms 2000 sh -c "$focused" || {
    xdotool windowactivate "$1" >/dev/null 2>&1
    poll_ms 2000 sh -c "$focused"
  } || {
    xdotool windowfocus "$1" >/dev/null 2>&1
    poll_ms 2000 sh -c "$focused"
  }
  shift
  xdotool key --delay 30 "$@"
}
mul_div() { echo $((($1 * $2 + $3 / 2) / $3)); }

case $case in
windowed)
  start "$work/one"
  poll_ms 10000 window_of "$pid" && dialog=$(window_of "$pid")
  check "the dialog appears" yes "$([ -n "${dialog:-}" ] && echo yes)"
  [ -n "${dialog:-}" ] || finish
  read -r dw dh <<<"$(geometry "$dialog" | tr x ' ')"
  # Centred as a window with a caption of 23 and a frame of 3 pixels; the
  # program moves it there once the window manager has placed it.
  centred="$(((1024 - dw - 6) / 2 + 3)) $(((768 - dh - 29) / 2 + 26))"
  poll_ms 10000 sh -c "[ \"\$(xwininfo -id $dialog | awk '/Absolute upper-left X/ {x=\$4} /Absolute upper-left Y/ {y=\$4} END {print x \" \" y}')\" = \"$centred\" ]"
  read -r dx dy <<<"$(origin "$dialog")"
  # The font's base units, back from the client size in dialog units (182 x 94).
  for bx in $(seq 3 20); do [ "$(mul_div 182 "$bx" 4)" == "$dw" ] && break; done
  for by in $(seq 6 40); do [ "$(mul_div 94 "$by" 8)" == "$dh" ] && break; done
  check "the dialog is centred on the screen" "$centred" "$dx $dy"
  # The title picture, centred in its control (7, 7, 168 x 25 units).
  sx=$(mul_div 7 "$bx" 4) sy=$(mul_div 7 "$by" 8)
  sw=$(($(mul_div 175 "$bx" 4) - sx)) sh=$(($(mul_div 32 "$by" 8) - sy))
  px=$((dx + sx + (sw - 200) / 2)) py=$((dy + sy + (sh - 40) / 2))
  poll_ms 10000 shows "$title" 200 40 "$px" "$py"
  check "the dialog shows the title picture exactly" 0 "$(compare -metric AE "$title" "$work/crop.png" null: 2>&1)"
  # The start button wears the accent border; "Stereo" is selected, without the focus.
  check "the default button's border" 0078D7 "$(pixel $((dx + $(mul_div 7 "$bx" 4))) $((dy + $(mul_div 38 "$by" 8) + 4)))"
  check "the first sound line is selected" D9D9D9 "$(pixel $((dx + $(mul_div 50 "$bx" 4) - 3)) $((dy + $(mul_div 58 "$by" 8) + 3)))"
  cp "$work/shot.png" "$work/dialog.png"

  press "$dialog" Tab End Tab End Return
  poll_ms 10000 window_of "$pid" 640 480 && surface=$(window_of "$pid" 640 480)
  check "the windowed demo appears" yes "$([ -n "${surface:-}" ] && echo yes)"
  [ -n "${surface:-}" ] || finish
  poll_ms 5000 sh -c "[ \"\$(xwininfo -id $surface | awk '/Absolute upper-left X/ {x=\$4} /Absolute upper-left Y/ {y=\$4} END {print x \",\" y}')\" = 192,144 ]"
  check "the client area is centred" "192 144" "$(origin "$surface")"
  poll_ms 10000 shows "$work/frame.png" 640 480 192 144
  check "the client area shows the frame exactly" 0 "$(compare -metric AE "$work/frame.png" "$work/crop.png" null: 2>&1)"

  # A second copy on the same display is refused while the first shows its window.
  first=$pid
  make_demo "$work/two"
  start "$work/two"
  poll_ms 10000 window_of "$pid" && press "$(window_of "$pid")" Tab Tab End Return
  close_notice "the second copy"
  poll_ms 10000 ended "$pid"
  # Its set-up recorded the refusal as an error, which the exit status says.
  check "the second copy exits 1" 1 "$(exit_status "$pid")"
  check "the second copy says why" "Error: There can be only one surface window at a time." \
    "$(grep -m1 -o 'Error: .*' "$work/two/stdout.txt")"

  press "$surface" a
  poll_ms 5000 sh -c "true"
  press "$surface" Escape
  poll_ms 10000 ended "$first"
  check "the demo exits 0 after Escape" 0 "$(exit_status "$first")"
  log=$(cat "$work/one/kol.log")
  check "the log shows the set-up" "Surface: 640x480
Script Demo.txt: 2 Effects" "$(grep -E '^(Surface|Script)' <<<"$log")"
  check "the log holds the key mark" 1 "$(grep -cE '^[0-9]+\.[0-9]{3} : A$' <<<"$log")"
  check "the log holds no error" 0 "$(grep -c 'Error' <<<"$log")"

  # The window manager's close (Alt+F4) cancels the dialog, and ends the demo.
  for keys in "alt+F4" "Tab Tab End Return"; do
    rm -f "$work/one/kol.log"
    start "$work/one"
    poll_ms 10000 window_of "$pid" && press "$(window_of "$pid")" $keys
    if [ "$keys" != alt+F4 ]; then
      poll_ms 10000 window_of "$pid" 640 480 && press "$(window_of "$pid" 640 480)" alt+F4
    fi
    poll_ms 10000 ended "$pid"
    check "closing ($keys) ends the program with 0" 0 "$(exit_status "$pid")"
    check "closing ($keys) logs the run" "$([ "$keys" != alt+F4 ] && echo 2)" \
      "$(grep -o 'Script Demo.txt: . Effects' "$work/one/kol.log" | grep -o '[0-9]')"
  done
  ;;

exact)
  # Enter at once: the exclusive output, then (second run) the GDI full screen.
  for keys in "Return" "Tab Tab Down Return"; do
    rm -f "$work/one/kol.log"
    start "$work/one"
    poll_ms 10000 window_of "$pid" && press "$(window_of "$pid")" $keys
    poll_ms 10000 shows "$work/frame.png" 640 480 0 0
    check "full screen ($keys) shows the frame exactly" 0 "$(compare -metric AE "$work/frame.png" "$work/crop.png" null: 2>&1)"
    window=$(window_of "$pid" 640 480)
    press "$window" c Escape
    poll_ms 10000 ended "$pid"
    check "full screen ($keys) exits 0" 0 "$(exit_status "$pid")"
    # A clean run: set-up, the key mark, and no word of a missing sound library.
    check "full screen ($keys) logs a clean run" "Surface: 640x480
Script Demo.txt: 2 Effects
1
0" "$(grep -E '^(Surface|Script)' "$work/one/kol.log"; grep -cE '^[0-9]+\.[0-9]{3} : C$' "$work/one/kol.log"; grep -c 'BASS\|Error' "$work/one/kol.log")"
    check "full screen ($keys) restores the screen" "640x480" "$(xdpyinfo | awk '/dimensions/ {print $2}')"
  done
  # SIGTERM, SIGINT and SIGHUP end the program as Escape does, with the music
  # playing (stereo, SDL's dummy driver): in the dialog, in the exclusive full
  # screen, in the GDI full screen and windowed, within a second, exit 0, the
  # key mark logged, the screen as it was, no temporary copy of the library left.
  for run in "TERM:" "INT:Return" "HUP:Tab Tab Down Return" "TERM:Tab Tab End Return"; do
    signal=${run%%:*} keys=${run#*:}
    rm -f "$work/one/kol.log"
    start "$work/one"
    poll_ms 10000 window_of "$pid"
    if [ -n "$keys" ]; then
      press "$(window_of "$pid")" $keys
      poll_ms 10000 shows "$work/frame.png" 640 480 0 0 || poll_ms 10000 window_of "$pid" 640 480
      press "$(window_of "$pid" 640 480)" m
      poll_ms 5000 sh -c "xdotool search --all --pid $pid >/dev/null"
    fi
    sent=$(date +%s%3N)
    kill -s "$signal" "$pid"
    poll_ms 1000 ended "$pid"
    echo "SIG$signal ($keys): ended after $(($(date +%s%3N) - sent)) ms"
    check "SIG$signal ($keys) ends the program within a second" yes "$(ended "$pid" && echo yes)"
    ended "$pid" || kill -9 "$pid"
    check "SIG$signal ($keys) exits 0" 0 "$(exit_status "$pid")"
    if [ -n "$keys" ]; then
      check "SIG$signal ($keys) logs the key mark" 1 "$(grep -cE '^[0-9]+\.[0-9]{3} : M$' "$work/one/kol.log")"
    fi
    check "SIG$signal ($keys) restores the screen" "640x480" "$(xdpyinfo | awk '/dimensions/ {print $2}')"
    check "SIG$signal ($keys) leaves no temporary file" "" "$(ls -A "$work/tmp")"
  done
  ;;

scaled)
  rm -f "$work/one/kol.log"
  start "$work/one"
  poll_ms 10000 window_of "$pid" && press "$(window_of "$pid")" Return
  # 640x480 scaled to 960x720, centred: 160 black columns on each side.
  expected=$(convert "$work/frame.png" -format "%[hex:p{320,240}]" info:)
  scaled() {
    import -window root "$work/shot.png" 2>/dev/null &&
      [ "$(pixel 640 360)" == "$expected" ] && [ "$(pixel 80 360)" == 000000 ] &&
      [ "$(pixel 1200 360)" == 000000 ] && [ "$(pixel 170 360)" != 000000 ]
  }
  poll_ms 10000 scaled
  check "the picture is scaled to the screen with black bars" "$expected 000000 000000" \
    "$(pixel 640 360) $(pixel 80 360) $(pixel 1200 360)"
  press "$(window_of "$pid")" Escape
  poll_ms 10000 ended "$pid"
  check "the scaled run exits 0" 0 "$(exit_status "$pid")"
  check "the refused mode is logged as a plain line" "Can't set videomode 640x480,32bpp: -2005532082" \
    "$(grep "Can't set" "$work/one/kol.log")"

  # The GDI full screen needs the mode listed, so it stops with the error.
  rm -f "$work/one/kol.log"
  start "$work/one"
  poll_ms 10000 window_of "$pid" && press "$(window_of "$pid")" Tab Tab Down Return
  close_notice "the refused GDI full screen"
  poll_ms 10000 ended "$pid"
  check "the refused GDI full screen exits 1" 1 "$(exit_status "$pid")"
  check "the refused GDI full screen says why" \
    "Error: Chosen display mode 640 x 480, 32bpp is unsupported on this system" \
    "$(grep 'Error' "$work/one/kol.log")"
  ;;
*)
  echo "RealWindowRun.sh: unknown case $case" >&2
  exit 2
  ;;
esac
finish

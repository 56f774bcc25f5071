#!/usr/bin/env bash
# The Windows build under wine, on a virtual X display with a window manager
# (run through scripts/with-xvfb.sh 1024x768), every window inside wine's
# virtual desktop of 800x600:
#   WineWindowRun.sh WINDOWS_BUILD LINUX_RENDER TITLE_PPM MUSIC
# the start dialog (its title picture exactly, both lists with a selection),
# Windowed and No Sound chosen with keys, the demo's picture equal to the
# Linux renderer's frame, a key mark and Escape, kol.log; then Enter at once:
# DirectDraw full screen at 640x480x32 showing the frame exactly, with the
# music in stereo through SDL's disk driver, not silent; the GDI full screen
# (a display mode change and a top-most pop-up); the desktop's size back after
# each; a second copy refused with a message box, the first one untouched;
# Mono closed by a close request; a truncated audio library (silent, no crash);
# missing data (a message box, exit 1); no bas*.tmp left in %TEMP%; a release
# made by solvane-pack with its own title and banner, played. Every wait polls
# with a deadline.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=$(realpath "$1") render=$(realpath "$2") title=$(realpath "$3") music=$(realpath "$4")
work=$(mktemp -d)
source "$here/Checks.sh"
source "$repo/scripts/wine-env.sh"
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; wine_stop; rm -rf "$work"' EXIT
wine_start 800x600 || { echo "FAILED: wine does not start"; exit 1; }

# The still demo of the Linux runs, with the Windows program and its library.
demo=$work/demo
write_still_demo "$demo/data"
cp "$build/solvane.exe" "$demo/"
cp "$build/bass.dll" "$demo/data/bass.dll"
cp "$music" "$demo/solvane.mp3"
"$render" --data "$demo/data" --frame 1 "$work/frame.png" >/dev/null 2>&1

# What the runs leave in the prefix's temporary folders (the audio library's
# copy is written there on every run with sound).
temp_files() { find "$WINEPREFIX/drive_c" -iname 'bas*.tmp' 2>/dev/null | sort; }
temp_before=$(temp_files)

start() {  # start [DIR]: runs the program in the folder (the demo's) with the log on; sets pid
  (cd "${1:-$demo}" && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=music.raw \
    exec timeout 120 wine ./solvane.exe l </dev/null >stdout.txt 2>&1) &
  pid=$!
  pids+=("$pid")
}
desktop() { xdotool search --onlyvisible --name 'Wine desktop$' 2>/dev/null | head -1; }
geometry() { xwininfo -id "$1" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'; }
desktop_is() { [ "$(geometry "$(desktop)")" = "$1" ]; }
origin() { xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x " " y}'; }
screenshot() { import -window root "$work/shot.png" 2>/dev/null && convert "$work/shot.png" "$work/shot.ppm"; }
# Whether the screen region WxH+X+Y shows the image exactly.
shows() {  # shows IMAGE W H X Y
  screenshot || return 1
  convert "$work/shot.png" -crop "$2x$3+$4+$5" +repage "$work/crop.png" || return 1
  [ "$(compare -metric AE "$1" "$work/crop.png" null: 2>&1)" == "0" ]
}
found_title() { screenshot && python3 "$here/Pixels.py" find "$work/shot.ppm" "$title" >"$work/title.txt"; }
# Pixels of wine's selection colour in the screen region WxH+X+Y.
selected() {  # selected W H X Y
  convert "$work/shot.png" -crop "$1x$2+$3+$4" +repage -fill black +opaque '#3096FA' \
    -fill white -opaque '#3096FA' -format '%[fx:round(mean*w*h)]' info:
}
ended() { ! kill -0 "$1" 2>/dev/null; }
exit_status() { wait "$1"; echo $?; }
press() {  # press KEY...: keys to the desktop window, once it has the focus
  local window
  window=$(desktop)
  [ -n "$window" ] || return 1
  poll_ms 2000 sh -c "[ \"\$(xdotool getwindowfocus)\" = $window ]" || {
    xdotool windowactivate "$window" >/dev/null 2>&1
    poll_ms 2000 sh -c "[ \"\$(xdotool getwindowfocus)\" = $window ]"
  }
  xdotool key --delay 60 "$@"
}

# Another program: in front of the demo, then the demo brought back as a
# taskbar click does; or a display mode change and back.
probe() { (cd "$build" && timeout 60 wine ./focus-probe.exe "$@" </dev/null >/dev/null 2>&1); }
shows_frame_at_origin() {
  local ox oy
  read -r ox oy <<<"$(origin "$(desktop)")"
  shows "$work/frame.png" 640 480 "$ox" "$oy"
}
# The full screen gives the desktop its mode while another program is in
# front, and shows the frame exactly again once it is back.
focus_away_and_back() {  # focus_away_and_back WHAT
  (cd "$build" && exec timeout 60 wine ./focus-probe.exe away </dev/null >/dev/null 2>&1) &
  pids+=($!)
  poll_ms 20000 desktop_is 800x600
  check "$1 gives the desktop its own mode while away" 800x600 "$(geometry "$(desktop)")"
  probe back
  poll_ms 20000 desktop_is 640x480
  check "$1 takes the display to 640x480 again when back" 640x480 "$(geometry "$(desktop)")"
  poll_ms 20000 shows_frame_at_origin
  check "$1 shows the frame exactly again when back" 0 \
    "$(compare -metric AE "$work/frame.png" "$work/crop.png" null: 2>&1)"
}

# A fresh run taken to full screen from the dialog by KEYS: the display at
# 640x480 showing the frame exactly, checked under the names given.
full_screen() {  # full_screen WHAT_TAKES WHAT_SHOWS KEY...
  local takes=$1 shows_it=$2
  shift 2
  rm -f "$demo/kol.log" "$demo/music.raw"
  start
  poll_ms 20000 found_title
  press "$@"
  poll_ms 20000 sh -c "[ \"\$(geometry \"\$(xdotool search --onlyvisible --name 'Wine desktop\$' | head -1)\")\" = 640x480 ]"
  check "$takes takes the display to 640x480" 640x480 "$(geometry "$(desktop)")"
  read -r ox oy <<<"$(origin "$(desktop)")"
  poll_ms 20000 shows "$work/frame.png" 640 480 "$ox" "$oy"
  check "$shows_it shows the Linux renderer's frame exactly" 0 \
    "$(compare -metric AE "$work/frame.png" "$work/crop.png" null: 2>&1)"
}

# --- The dialog, Windowed and No Sound, the picture, a key mark, Escape ---------
start
poll_ms 20000 found_title
read -r tx ty <"$work/title.txt" 2>/dev/null || tx=""
check "the dialog shows the title picture exactly" yes "$([ -n "$tx" ] && echo yes)"
[ -n "$tx" ] || finish
cp "$work/shot.png" "$work/dialog.png"
# The lists lie below the picture: Sound on the left, Display on the right,
# each with its first line selected.
left=$(selected 110 120 $((tx - 60)) $((ty + 45)))
right=$(selected 260 120 $((tx + 60)) $((ty + 45)))
check "both lists show a selected line" yes "$([ "$left" -gt 100 ] && [ "$right" -gt 300 ] && echo yes)"

press Tab Down Down Tab Down Down Return
# The client area is centred on the 800x600 desktop.
read -r ox oy <<<"$(origin "$(desktop)")"
poll_ms 20000 shows "$work/frame.png" 640 480 $((ox + 80)) $((oy + 60))
check "the windowed demo shows the Linux renderer's frame exactly" 0 \
  "$(compare -metric AE "$work/frame.png" "$work/crop.png" null: 2>&1)"
cp "$work/shot.png" "$work/windowed.png"

# A second copy asking for the GDI full screen is refused: it says so, exits 1
# and leaves the first one's display and picture alone.
first=$pid
mkdir -p "$work/two/data"
cp -r "$demo/data/." "$work/two/data/" && cp "$demo/solvane.exe" "$work/two/"
start "$work/two"
poll_ms 20000 found_title
press Tab Tab Down Return
close_notice "the second copy"
poll_ms 20000 ended "$pid"
check "the second copy exits 1" 1 "$(exit_status "$pid")"
check "the second copy says why in its log" "Error: There can be only one surface window at a time." \
  "$(grep -m1 -o 'Error: .*' "$work/two/kol.log")"
check "the second copy leaves the desktop's size alone" 800x600 "$(geometry "$(desktop)")"
poll_ms 20000 shows "$work/frame.png" 640 480 $((ox + 80)) $((oy + 60))
check "the first copy still shows its frame exactly" 0 \
  "$(compare -metric AE "$work/frame.png" "$work/crop.png" null: 2>&1)"
pid=$first
press a
press Escape
poll_ms 20000 ended "$pid"
check "the demo exits 0 after Escape" 0 "$(exit_status "$pid")"
log=$(cat "$demo/kol.log" 2>/dev/null)
check "kol.log shows the set-up" "Surface: 640x480
Script Demo.txt: 2 Effects" "$(grep -E '^(Surface|Script)' <<<"$log")"
check "kol.log holds the key mark" 1 "$(grep -cE '^[0-9]+\.[0-9]{3} : A$' <<<"$log")"
check "kol.log holds no error" 0 "$(grep -c 'Error' <<<"$log")"
check "no sound was played" no "$([ -s "$demo/music.raw" ] && echo yes || echo no)"

# --- Enter at once: Stereo and DirectDraw full screen -----------------------------
full_screen "DirectDraw" "the full screen" Return
cp "$work/shot.png" "$work/fullscreen.png"
focus_away_and_back "DirectDraw"
probe mode 800 600
poll_ms 20000 desktop_is 640x480
poll_ms 20000 shows_frame_at_origin
check "after another program's mode change DirectDraw shows the frame exactly again" 0 \
  "$(compare -metric AE "$work/frame.png" "$work/crop.png" null: 2>&1)"
poll_ms 10000 sh -c "[ \"\$(stat -c %s '$demo/music.raw' 2>/dev/null || echo 0)\" -gt 400000 ]"
press c Escape
poll_ms 20000 ended "$pid"
check "the full-screen demo exits 0 after Escape" 0 "$(exit_status "$pid")"
# Wine may lose the surfaces once more while the mode is set back, so the
# check is that every loss is said once and followed by its return, at least
# once for the focus change and once for the other program's mode change.
losses=$(sed -n -e 's/^DirectDraw: the surface was lost; restoring it$/L/p' \
  -e 's/^DirectDraw: the surface is back$/B/p' "$demo/kol.log" | tr -d '\n')
check "the lost surface is logged once each time, and its return" yes \
  "$([[ $losses =~ ^(LB){2,}$ ]] && echo yes || echo "no: $losses")"
check "kol.log shows the run, the key mark and no complaint" "Surface: 640x480
Script Demo.txt: 2 Effects
1
0" "$(grep -E '^(Surface|Script)' "$demo/kol.log"; grep -cE '^[0-9]+\.[0-9]{3} : C$' "$demo/kol.log"; grep -c "BASS\\|Error\\|Can't" "$demo/kol.log")"
peak=$(python3 "$here/Pixels.py" peak "$demo/music.raw" 2>/dev/null || echo 0)
check "the music reached the disk driver and is not silent" yes "$([ "$peak" -gt 1000 ] && echo yes)"
poll_ms 10000 desktop_is 800x600
check "the desktop has its own size back after the DirectDraw run" 800x600 "$(geometry "$(desktop)")"
check "the audio library's temporary copy is gone after the run with sound" "$temp_before" "$(temp_files)"

# --- The GDI full screen: ChangeDisplaySettings and a top-most pop-up ------------
full_screen "the GDI full screen" "the GDI full screen" Tab Tab Down Return
focus_away_and_back "the GDI full screen"
press Escape
poll_ms 20000 ended "$pid"
check "the GDI full-screen demo exits 0 after Escape" 0 "$(exit_status "$pid")"
check "the GDI run's log holds no complaint" 0 "$(grep -c "BASS\\|Error\\|Can't\\|Unable" "$demo/kol.log")"
poll_ms 10000 desktop_is 800x600
check "the desktop has its own size back after the GDI run" 800x600 "$(geometry "$(desktop)")"
check "no temporary file is left after any run" "$temp_before" "$(temp_files)"

# --- Mono, windowed, closed as by its close box --------------------------------
# (taskkill without /f sends the window a close request, as the close box and
# Alt+F4 do; in this harness openbox would take Alt+F4 for wine's desktop.)
rm -f "$demo/kol.log" "$demo/music.raw"
start
poll_ms 20000 found_title
press Tab Down Tab Down Down Return
poll_ms 10000 sh -c "[ \"\$(stat -c %s '$demo/music.raw' 2>/dev/null || echo 0)\" -gt 200000 ]"
wine_quiet taskkill /im solvane.exe
poll_ms 20000 ended "$pid"
check "a close request ends the demo with 0" 0 "$(exit_status "$pid")"
check "the Mono run's log holds the set-up and no complaint" "Surface: 640x480
0" "$(grep -E '^Surface' "$demo/kol.log"; grep -c "BASS\\|Error\\|Can't" "$demo/kol.log")"
peak=$(python3 "$here/Pixels.py" peak "$demo/music.raw" 2>/dev/null || echo 0)
check "the Mono music is not silent" yes "$([ "$peak" -gt 1000 ] && echo yes)"

# --- A truncated audio library: a silent demo, no crash --------------------------
rm -f "$demo/kol.log" "$demo/music.raw"
head -c 20000 "$build/bass.dll" >"$demo/data/bass.dll"
start
poll_ms 20000 found_title
press Tab Tab Down Down Return
read -r ox oy <<<"$(origin "$(desktop)")"
poll_ms 20000 shows "$work/frame.png" 640 480 $((ox + 80)) $((oy + 60))
check "with a truncated audio library the demo still shows its frame" 0 \
  "$(compare -metric AE "$work/frame.png" "$work/crop.png" null: 2>&1)"
press Escape
poll_ms 20000 ended "$pid"
check "with a truncated audio library the demo exits 0" 0 "$(exit_status "$pid")"
check "the truncated library is said once and nothing plays" "1 no" \
  "$(grep -c "Can't load BASS.DLL" "$demo/kol.log") $([ -s "$demo/music.raw" ] && echo yes || echo no)"
cp "$build/bass.dll" "$demo/data/bass.dll"

# --- Missing data: a message box, exit 1 -------------------------------------------
mkdir -p "$work/empty"
cp "$demo/solvane.exe" "$work/empty/"
start "$work/empty"
poll_ms 20000 found_title
press Return
close_notice "a demo without its data"
poll_ms 20000 ended "$pid"
check "a demo without its data exits 1" 1 "$(exit_status "$pid")"
check "no temporary file is left after the last runs" "$temp_before" "$(temp_files)"

# --- A release made by solvane-pack: its own name and banner, and it plays ----------
write_banner "$work/banner.tga" "$work/banner.ppm"
release=$work/release
mkdir -p "$release/neon/Image"
cp -r "$demo/data/Script" "$release/neon/"
cp "$work/banner.tga" "$release/neon/Image/banner.tga"
printf 'Banner = "Image/banner.tga" ;\n' >"$release/neon/Release.txt"
"$(dirname "$render")/solvane-pack" --data "$release/neon" --name neon --title "Neon Nights" \
  --music "$music" --windows --windows-build "$build" --out "$release/out" >"$release/pack.txt" 2>&1
check "solvane-pack makes the Windows release" "0
neon/neon.dat
neon/neon.exe
neon/neon.mp3
neon/neon.nfo
neon/neon.png" "$?
$(unzip -Z1 "$release/out/neon-windows.zip")"
(cd "$release/out" && unzip -q neon-windows.zip)
banner_shown() { screenshot && python3 "$here/Pixels.py" find "$work/shot.ppm" "$work/banner.ppm" >/dev/null; }
titled() { xwininfo -root -tree | grep -q "\"$1\""; }
(cd "$release/out/neon" && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=music.raw \
  exec timeout 120 wine ./neon.exe </dev/null >/dev/null 2>&1) &
pid=$!
pids+=("$pid")
check "the release's dialog shows its banner" yes "$(poll_ms 20000 banner_shown && echo yes)"
check "the release's dialog bears its title" yes "$(poll_ms 5000 titled "Neon Nights" && echo yes)"
cp "$work/shot.png" "$work/release-dialog.png"
press Tab Tab Down Down Return
read -r ox oy <<<"$(origin "$(desktop)")"
poll_ms 20000 shows "$work/frame.png" 640 480 $((ox + 80)) $((oy + 60))
check "the release plays: its window shows the frame exactly" 0 \
  "$(compare -metric AE "$work/frame.png" "$work/crop.png" null: 2>&1)"
press Escape
poll_ms 20000 ended "$pid"
check "the release exits 0 after Escape" 0 "$(exit_status "$pid")"

# Kept for whoever wants to look: SOLVANE_WINE_SHOTS=DIR.
if [ -n "${SOLVANE_WINE_SHOTS:-}" ]; then
  mkdir -p "$SOLVANE_WINE_SHOTS"
  cp "$work/dialog.png" "$work/windowed.png" "$work/fullscreen.png" "$work/release-dialog.png" \
    "$SOLVANE_WINE_SHOTS/"
fi
finish

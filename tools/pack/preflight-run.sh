#!/usr/bin/env bash
# The rules of solvane-pack --preflight that run the demo, as a party's
# organisers would: from a read-only copy with an empty HOME and TMPDIR, as a
# user that is not root where possible, with the system's SDL hidden; Escape
# and the pointer on a real (virtual) X display; the Windows viewer under
# wine; the video's streams. One PASS/FAIL/WARN line per rule.
#
#   preflight-run.sh FOLDER NAME linux|- windows|- SOLVANE_RENDER [VIDEO]
#
# solvane-pack beside SOLVANE_RENDER probes the pointer.
#
# Every wait polls with a deadline; everything started is stopped. Exits 1
# when a rule failed.
set -uo pipefail
folder=$1 name=$2 linux=$3 windows=$4 render=$5 video=${6:-}
pack=$(dirname "$render")/solvane-pack
scratch=$(mktemp -d /tmp/solvane-preflight.XXXXXX)
chmod 755 "$scratch"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  chmod -R u+w "$scratch" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

failed=0
pass() { echo "PASS $*"; }
fail() { echo "FAIL $*"; failed=1; }
warn() { echo "WARN $*"; }
now_ms() { date +%s%3N; }
poll_ms() {  # poll_ms MILLISECONDS COMMAND...
  local until=$(($(now_ms) + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    [ "$(now_ms)" -ge "$until" ] && return 1
    sleep 0.01
  done
}
have() { command -v "$1" >/dev/null 2>&1; }

# --- Length ----------------------------------------------------------------------
end=$("$render" --check --data "$folder/$name.dat" 2>/dev/null | sed -n 's/.*set-up OK, end time \([0-9]*\) s.*/\1/p')
if [ -z "$end" ]; then
  fail "the demo's set-up does not load from $name.dat"
  exit 1
elif [ "$end" -gt 480 ]; then
  warn "it is $end s long: more than the 8 minutes most compos allow"
else
  pass "it is $end s long"
fi
music=no
[ -f "$folder/$name.mp3" ] && music=yes

# --- A virtual display, when there is one to start ----------------------------------
display=""
if have Xvfb && have xdotool; then
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$scratch/display" >/dev/null 2>&1 &
  pids+=($!)
  poll_ms 10000 test -s "$scratch/display" && display=:$(head -n 1 "$scratch/display")
  # A full screen is the window manager's to grant, as on a desktop.
  if [ -n "$display" ] && have openbox && have xprop; then
    DISPLAY=$display openbox >/dev/null 2>&1 &
    pids+=($!)
    poll_ms 10000 sh -c "DISPLAY=$display xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'"
  else
    display=""
  fi
fi

# --- Linux: a read-only copy, nothing written, the whole demo played --------------------
as_user=()
if [ "$(id -u)" = 0 ] && have setpriv && id nobody >/dev/null 2>&1; then
  as_user=(setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups --)
fi
hide_sdl=()
hidden=$(ls /usr/lib/x86_64-linux-gnu/libSDL2*.so* /lib/x86_64-linux-gnu/libSDL2*.so* 2>/dev/null |
  xargs -r realpath | sort -u | tr '\n' ' ')
if [ "$(id -u)" = 0 ] && have unshare && [ -n "$hidden" ]; then
  # A mount namespace of the run's own: the system's SDL files read as empty
  # for the demo only.
  hide_sdl=(unshare --mount -- bash -c 'for f in '"$hidden"'; do mount --bind /dev/null "$f"; done; exec "$@"' hide)
fi

snapshot() { (cd "$1" && find . -printf '%p %s %T@ %m\n' | sort); }

run_linux() {  # run_linux INPUT: the viewer from the read-only copy; sets status
  local copy=$scratch/copy/$name
  "${hide_sdl[@]}" env -i PATH=/usr/bin:/bin HOME="$scratch/home" TMPDIR="$scratch/tmp" \
    ${DISPLAY:+DISPLAY=$DISPLAY} SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$scratch/audio/music.raw" \
    "$@" "${as_user[@]}" "$copy/$name" </dev/null >"$scratch/out/run.txt" 2>&1 &
  run_pid=$!
  pids+=($run_pid)
}

if [ "$linux" = linux ]; then
  mkdir -p "$scratch/copy" "$scratch/home" "$scratch/tmp" "$scratch/audio" "$scratch/out"
  cp -a "$folder" "$scratch/copy/$name"
  chmod -R a-w "$scratch/copy"
  chmod 777 "$scratch/home" "$scratch/tmp" "$scratch/audio"
  before=$(snapshot "$scratch/copy")
  if [ -n "$display" ]; then
    DISPLAY=$display run_linux
    # The start dialog, then Enter: the defaults (Stereo, the full screen).
    poll_ms 20000 sh -c "! kill -0 $run_pid || DISPLAY=$display xdotool search --onlyvisible --pid $run_pid" &&
      kill -0 "$run_pid" 2>/dev/null || fail "the Linux viewer shows no window"
    window=$(DISPLAY=$display xdotool search --onlyvisible --pid "$run_pid" 2>/dev/null | head -n 1)
    [ -n "$window" ] && DISPLAY=$display xdotool windowfocus "$window" key Return >/dev/null 2>&1
  else
    run_linux env SOLVANE_PLATFORM=headless SOLVANE_HEADLESS_INPUT=return
    warn "no Xvfb, xdotool and openbox: the Linux viewer played on its headless backend, in virtual time"
  fi
  if poll_ms $(((end + 30) * 1000)) sh -c "! kill -0 $run_pid"; then
    wait "$run_pid"
    status=$?
    if [ "$status" = 0 ]; then
      pass "the Linux viewer plays the demo to its end and exits 0 (read-only copy, empty HOME and TMPDIR${as_user:+, as nobody})"
    else
      fail "the Linux viewer exits $status: $(head -c 300 "$scratch/out/run.txt" | tr '\n' ' ')"
    fi
  else
    fail "the Linux viewer is still running $((end + 30)) s after its start"
    kill "$run_pid" 2>/dev/null
  fi
  if [ ${#hide_sdl[@]} -gt 0 ]; then
    [ "${status:-1}" = 0 ] && pass "it ran with the system's SDL libraries hidden ($(wc -w <<<"$hidden") files)" ||
      fail "with the system's SDL libraries hidden it did not run"
  else
    warn "the system's SDL libraries could not be hidden for the run (that takes root); the libraries were checked by reading them"
  fi
  written=$( (cd "$scratch" && find home tmp -mindepth 1 | head -n 5 | tr '\n' ' '))
  [ "$before" = "$(snapshot "$scratch/copy")" ] || written+=" (and the release's own folder changed)"
  if [ -z "$written" ]; then
    pass "it writes nothing: HOME, TMPDIR and its folder are as they were, no temporary file left"
  else
    fail "it writes files: $written"
  fi
  if [ "$music" = yes ]; then
    peak=0
    [ -s "$scratch/audio/music.raw" ] && peak=$(head -c 8000000 "$scratch/audio/music.raw" |
      od -An -t d2 -v -w2 | awk '{v = $1 < 0 ? -$1 : $1; if (v > p) p = v} END {print p + 0}')
    [ "$peak" -gt 1000 ] && pass "the music reaches SDL's disk driver and is not silent (peak $peak)" ||
      fail "no music reached SDL's disk driver (peak $peak)"
  fi

  # Escape, timed on the wall clock, and the pointer in the full screen.
  if [ -n "$display" ]; then
    chmod -R u+w "$scratch/audio"; rm -f "$scratch/audio/music.raw"
    DISPLAY=$display run_linux
    poll_ms 20000 sh -c "! kill -0 $run_pid || DISPLAY=$display xdotool search --onlyvisible --pid $run_pid"
    window=$(DISPLAY=$display xdotool search --onlyvisible --pid "$run_pid" 2>/dev/null | head -n 1)
    [ -n "$window" ] && DISPLAY=$display xdotool windowfocus "$window" key Return >/dev/null 2>&1
    full_screen() {  # a window of the viewer's covers the whole screen, at whatever mode it set
      local w screen
      screen=$(DISPLAY=$display xdotool getdisplaygeometry 2>/dev/null | tr ' ' x)
      for w in $(DISPLAY=$display xdotool search --onlyvisible --pid "$run_pid" 2>/dev/null); do
        DISPLAY=$display xdotool getwindowgeometry "$w" 2>/dev/null | grep -q "Geometry: $screen\$" && return 0
      done
      return 1
    }
    shown_or_gone() { ! kill -0 "$run_pid" 2>/dev/null || full_screen; }
    poll_ms 20000 shown_or_gone
    if ! kill -0 "$run_pid" 2>/dev/null; then
      fail "the Linux viewer ended before its full screen showed"
    elif full_screen; then
      screen=$(DISPLAY=$display xdotool getdisplaygeometry | tr ' ' x)
      DISPLAY=$display xdotool mousemove $((${screen%x*} / 2)) $((${screen#*x} / 2)) >/dev/null 2>&1
      # The image the X server draws for the pointer over the full screen,
      # once the full screen has taken the pointer in.
      pointer_hidden() { pointer=$("$pack" --pointer-on "$display" 2>/dev/null); [ "$pointer" != shown ]; }
      poll_ms 2000 pointer_hidden
      pointer=$("$pack" --pointer-on "$display" 2>/dev/null)
      case $pointer in
        hidden) pass "the pointer is hidden in the full screen" ;;
        shown) fail "the pointer shows over the full screen" ;;
        *) warn "the pointer could not be looked at (no XFixes on the display)" ;;
      esac
      DISPLAY=$display xdotool key Escape >/dev/null 2>&1
      pressed=${EPOCHREALTIME/./}
      until_us=$((pressed + 5000000))
      while kill -0 "$run_pid" 2>/dev/null && [ "${EPOCHREALTIME/./}" -lt "$until_us" ]; do
        read -r -t 0.002 <> <(:) 2>/dev/null || true
      done
      took=$(((${EPOCHREALTIME/./} - pressed) / 1000))
      [ "$took" -le 100 ] && pass "Escape ends it in $took ms" ||
        fail "Escape ends it in $took ms (more than 100)"
    else
      fail "Enter in the start dialog shows no full screen within 20 s"
    fi
    kill "$run_pid" 2>/dev/null
  else
    warn "no Xvfb, xdotool and openbox: Escape and the pointer were not tried on a real window"
  fi
fi

# --- Windows, under wine where it is installed -------------------------------------
if [ "$windows" = windows ]; then
  if ! have wine || [ -z "$display" ]; then
    warn "wine (and Xvfb) not installed here: the Windows viewer was not run"
  else
    export WINEPREFIX=$scratch/wine WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
    DISPLAY=$display timeout 180 wine wineboot -i </dev/null >/dev/null 2>&1
    (cd "$folder" && DISPLAY=$display exec timeout $((end + 60)) wine "./$name.exe" </dev/null >/dev/null 2>&1) &
    wine_pid=$!
    pids+=($wine_pid)
    windows() { DISPLAY=$display xdotool search --onlyvisible --name '.' 2>/dev/null | sort | tr '\n' ' '; }
    if poll_ms 60000 sh -c "DISPLAY=$display xdotool search --onlyvisible --name '.' | grep -q ."; then
      # Enter starts the demo: the dialog's window goes and the demo's comes.
      dialog=$(windows)
      started() { DISPLAY=$display xdotool key Return >/dev/null 2>&1; local now; now=$(windows); [ -n "$now" ] && [ "$now" != "$dialog" ]; }
      poll_ms 20000 started || fail "Enter in the Windows viewer's dialog starts no demo under wine"
      DISPLAY=$display xdotool key Escape >/dev/null 2>&1
      poll_ms 20000 sh -c "! kill -0 $wine_pid"
      wait "$wine_pid"
      wine_status=$?
      [ "$wine_status" = 0 ] && pass "the Windows viewer runs under wine and exits 0 after Escape" ||
        fail "the Windows viewer under wine exits $wine_status"
    else
      fail "the Windows viewer shows no window under wine within 60 s"
    fi
    wineserver -k 2>/dev/null
  fi
fi

# --- The video ----------------------------------------------------------------------
if [ -n "$video" ]; then
  if ! have ffprobe; then
    warn "ffprobe is not installed: $(basename "$video") was not looked at"
  else
    probe() { ffprobe -v error -select_streams "$1" -show_entries "$2" -of default=nw=1:nk=1 "$video" | head -n 1; }
    vcodec=$(probe v:0 stream=codec_name) acodec=$(probe a:0 stream=codec_name)
    channels=$(probe a:0 stream=channels) rate=$(probe a:0 stream=bit_rate)
    frames=$(probe v:0 stream=nb_frames) fps=$(probe v:0 stream=r_frame_rate)
    expected=$(awk -v e="$end" -v r="$fps" 'BEGIN {split(r, f, "/"); printf "%d", e * f[1] / f[2] + 0.999999}')
    if [ "$vcodec" = h264 ] && [ "$acodec" = aac ] && [ "$channels" = 2 ] && [ "${rate:-0}" -ge 128000 ] &&
      [ "$frames" = "$expected" ]; then
      pass "$(basename "$video"): h.264, $frames frames at $fps (the demo's length), AAC stereo at $((rate / 1000)) kbit/s"
    else
      fail "$(basename "$video"): video $vcodec, $frames frames at $fps (the demo has $expected), audio ${acodec:-none} ${channels:-0} channels at $((${rate:-0} / 1000)) kbit/s"
    fi
  fi
fi
exit "$failed"

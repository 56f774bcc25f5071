#!/usr/bin/env bash
# Runs a command on a virtual X display with a window manager, as on a desktop:
#   with-xvfb.sh WIDTHxHEIGHT COMMAND [ARG...]
# Starts Xvfb on a free display number (screen WIDTHxHEIGHT, 24-bit colour) and
# openbox on it, runs the command with DISPLAY set, stops both, and exits with
# the command's status. Waits by polling with a deadline, never a fixed sleep.
set -uo pipefail
size=$1
shift

deadline_wait() {  # deadline_wait SECONDS COMMAND...: polls until the command succeeds
  local until=$((SECONDS + $1))
  shift
  while ! "$@" >/dev/null 2>&1; do
    [ "$SECONDS" -ge "$until" ] && return 1
    sleep 0.05
  done
}

xvfb_pid="" wm_pid=""
cleanup() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
}
trap cleanup EXIT

# A display number nobody uses; Xvfb itself refuses one taken meanwhile, and
# then the next number is tried.
for number in $(seq 90 189); do
  [ -e "/tmp/.X${number}-lock" ] || [ -e "/tmp/.X11-unix/X${number}" ] && continue
  Xvfb ":$number" -screen 0 "${size}x24" -nolisten tcp -noreset >/dev/null 2>&1 &
  xvfb_pid=$!
  if deadline_wait 10 xdpyinfo -display ":$number" && kill -0 "$xvfb_pid" 2>/dev/null; then
    export DISPLAY=":$number"
    break
  fi
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=""
done
if [ -z "$xvfb_pid" ]; then
  echo "with-xvfb: could not start Xvfb on any display from :90 to :189" >&2
  exit 1
fi

openbox >/dev/null 2>&1 &
wm_pid=$!
# The window manager is ready once it has announced itself on the root window.
if ! deadline_wait 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'; then
  echo "with-xvfb: openbox did not start on $DISPLAY" >&2
  exit 1
fi

"$@"

#!/usr/bin/env bash
# Runs a command on a virtual X display with a window manager, as on a desktop:
#   with-xvfb.sh WIDTHxHEIGHT COMMAND [ARG...]
# Starts Xvfb on a display number it finds free itself (screen WIDTHxHEIGHT,
# 24-bit colour) and openbox on it, runs the command with DISPLAY set, stops
# both, and exits with the command's status. Waits by polling with a deadline,
# never a fixed sleep.
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

xvfb_pid="" wm_pid="" number_file=$(mktemp)
cleanup() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -f "$number_file"
}
trap cleanup EXIT
trap 'exit 143' TERM INT

# Xvfb takes the first free display number and writes it once it is ready.
# Should this script be killed outright, the servers still end within the hour.
timeout 3600 Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset \
  3>"$number_file" >/dev/null 2>&1 &
xvfb_pid=$!
if ! deadline_wait 10 grep -q '[0-9]' "$number_file"; then
  echo "with-xvfb: Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=":$(tr -dc '0-9' <"$number_file")"

timeout 3600 openbox >/dev/null 2>&1 &
wm_pid=$!
# The window manager is ready once it has announced itself on the root window.
if ! deadline_wait 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'; then
  echo "with-xvfb: openbox did not start on $DISPLAY" >&2
  exit 1
fi

"$@"

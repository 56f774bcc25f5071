# Shared by the end-to-end scripts (sourced): named checks that count, and the
# closing line "N passed, N failed" with the matching exit status; a poll to
# the millisecond with a deadline; the still demo the real-window runs show;
# the message box of a failed start.
passes=0 failures=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then
    echo "ok: $1"
    passes=$((passes + 1))
  else
    echo "FAILED: $1"
    diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") || true
    failures=$((failures + 1))
  fi
}
finish() {
  echo "$passes passed, $failures failed"
  [ "$failures" -eq 0 ] && exit 0 || exit 1
}
poll_ms() {  # poll_ms MILLISECONDS COMMAND...: true once the command succeeds, polled to the millisecond
  local until=$(($(date +%s%3N) + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    [ "$(date +%s%3N)" -ge "$until" ] && return 1
    sleep 0.02
  done
}

# A failed start whose output reaches no console or terminal says why in a
# message box. It is found through the X window tree (SDL's box has no class
# for xdotool to go by; wine's sits inside its virtual desktop) and closed
# with Return, as a person would.
notice() { xwininfo -root -tree | awk '/"Solvane: the demo could not start"/ {print $1; exit}'; }
notice_shown() { [ -n "$(notice)" ]; }
close_notice() {  # close_notice WHAT: checks that the box is shown and closes it
  poll_ms 10000 notice_shown
  local box
  box=$(notice)
  check "$1 shows why in a message box" yes "$([ -n "$box" ] && echo yes)"
  [ -n "$box" ] && xdotool windowactivate --sync "$box" key Return >/dev/null 2>&1
}

# A still demo: a blue field and a pale bar, the same at every moment, so a
# screenshot can be compared with the offline renderer's frame exactly.
write_still_demo() {  # write_still_demo DATA_DIR
  mkdir -p "$1/Script/Effect" "$1/Script/Float" "$1/Script/Texture"
  printf '0 - 30 Bar ;\n0 - 30 Field ;\n' >"$1/Script/Demo.txt"
  printf 'Alpha = Half ; Add = Zero ;\nEndEffect : Fade = One ; Size = Third ;\n' \
    >"$1/Script/Effect/Bar.txt"
  printf 'Alpha = One ; Add = Zero ;\nScroller : Delta = Zero ; Speed = Zero ; YDelta = Zero ; YSpeed = Zero ; Tex = Tint ;\n' \
    >"$1/Script/Effect/Field.txt"
  printf 'Texture : Color = 0.2, 0.4, 0.8 ; Alpha = 1 ;\n' >"$1/Script/Texture/Tint.txt"
  printf '0 : 1 ;\n' >"$1/Script/Float/One.txt"
  printf '0 : 0 ;\n' >"$1/Script/Float/Zero.txt"
  printf '0 : 0.5 ;\n' >"$1/Script/Float/Half.txt"
  printf '0 : 0.3 ;\n' >"$1/Script/Float/Third.txt"
}

# A release's banner: 200x40 of stripes, so finding it on screen finds nothing
# else; written as the TGA a release carries and the PPM a screenshot is
# searched for.
write_banner() {  # write_banner TGA PPM
  python3 - "$1" "$2" <<'PY'
import sys
w, h = 200, 40
pixels = [[((x * 7 + y * 3) & 255, (x * 3) & 255, (y * 11) & 255) for x in range(w)] for y in range(h)]
with open(sys.argv[1], "wb") as tga:  # uncompressed, 24-bit, top-left origin
    tga.write(bytes([0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, w & 255, w >> 8, h & 255, h >> 8, 24, 0x20]))
    for row in pixels:
        tga.write(bytes(c for (r, g, b) in row for c in (b, g, r)))
with open(sys.argv[2], "wb") as ppm:
    ppm.write(b"P6\n%d %d\n255\n" % (w, h))
    for row in pixels:
        ppm.write(bytes(c for px in row for c in px))
PY
}

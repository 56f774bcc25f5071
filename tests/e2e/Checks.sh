# Shared by the end-to-end scripts (sourced): named checks that count, and the
# closing line "N passed, N failed" with the matching exit status; a poll to
# the millisecond with a deadline.
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

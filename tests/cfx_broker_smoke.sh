#!/usr/bin/env bash
# The test broker and its helpers as the broker tests use them: a subscriber that stays
# across a pause of the broker gets every message in order, and a durable queue keeps
# persistent messages through a pause with nobody attached. Needs the cfx_broker fixture
# (VARD_TEST_BROKER_URL, VARD_TEST_BROKER_CTL, VARD_TEST_SUBSCRIBER, VARD_TEST_PYTHON).
set -euo pipefail

: "${VARD_TEST_BROKER_URL:?run through CTest: the cfx_broker fixture sets it}"
here="$(cd "$(dirname "$0")" && pwd)"
py="${VARD_TEST_PYTHON:-/usr/bin/python3}"
sub=("$py" "$VARD_TEST_SUBSCRIBER" --url "$VARD_TEST_BROKER_URL")
pub=("$py" "$here/cfx_publish_probe.py" --url "$VARD_TEST_BROKER_URL")
ctl=(bash "$VARD_TEST_BROKER_CTL")
queue="/queue/cfx-smoke"

work="$(mktemp -d)"
sub_pid=""
cleanup() {
  [ -n "$sub_pid" ] && kill "$sub_pid" 2>/dev/null || true
  # A failure while paused must not leave the broker unreachable for the next test.
  [ "$("${ctl[@]}" status 2>/dev/null || true)" = paused ] && "${ctl[@]}" resume >/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

lines() { [ -f "$1" ] && wc -l <"$1" || echo 0; }

wait_lines() { # wait_lines FILE N SECONDS
  local until=$((SECONDS + $3))
  while [ "$(lines "$1")" -lt "$2" ]; do
    [ $SECONDS -lt "$until" ] || fail "$1 has $(lines "$1") lines, expected $2"
    sleep 0.1
  done
}

expect_file() { # expect_file FILE LINE...
  local file="$1"
  shift
  printf '%s\n' "$@" >"$work/expected"
  diff -u "$work/expected" "$file" >&2 || fail "$file is not what was sent"
}

m() { printf '{"MessageName":"CFX.Smoke","Seq":%d,"Text":"%s"}' "$1" "$2"; }

"${sub[@]}" --address "$queue" --drain --idle 1 >/dev/null

# A subscriber across an outage: ready before anything is sent, so the queue exists.
mkfifo "$work/sub.stdout"
"${sub[@]}" --address "$queue" --out "$work/got" --count 4 --timeout 90 >"$work/sub.stdout" 2>"$work/sub.stderr" &
sub_pid=$!
exec 3<"$work/sub.stdout"
read -r -t 30 first <&3 || fail "the subscriber did not say ready: $(cat "$work/sub.stderr")"
[ "$first" = ready ] || fail "the subscriber's first line is '$first'"

"${pub[@]}" --address "$queue" "$(m 1 one)" "$(m 2 "two, with \\\"quotes\\\" and ü")" "$(m 3 three)"
wait_lines "$work/got" 3 30

"${ctl[@]}" pause
sleep 3
"${ctl[@]}" resume
"${pub[@]}" --address "$queue" --timeout 60 "$(m 4 four)"

wait "$sub_pid" || fail "the subscriber ended with $?: $(cat "$work/sub.stderr")"
sub_pid=""
last="$(cat <&3)"
exec 3<&-
[ "$last" = "done 4 count" ] || fail "the subscriber ended with '$last'"
grep -q "connection lost" "$work/sub.stderr" || fail "the subscriber never saw the outage"
expect_file "$work/got" "$(m 1 one)" "$(m 2 "two, with \\\"quotes\\\" and ü")" "$(m 3 three)" "$(m 4 four)"

# Persistent messages in the durable queue with nobody attached, through a pause.
"${pub[@]}" --address "$queue" "$(m 5 five)" "$(m 6 six)"
"${pub[@]}" --address "$queue" --transient "$(m 7 "gone with the pause")"
"${ctl[@]}" pause
"${ctl[@]}" resume
"${sub[@]}" --address "$queue" --drain --idle 1 --out "$work/kept" >/dev/null
expect_file "$work/kept" "$(m 5 five)" "$(m 6 six)"

echo "broker smoke: ok"

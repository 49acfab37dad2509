#!/usr/bin/env bash
# A second copy of the real vgatray.exe forwards its verb: the probe stands in for the running
# copy (it holds the mutex and owns the window "KDX 5830") and records the registered messages
# it receives. Needs an X display (run through with-xvfb.sh).
set -euo pipefail
source "$(dirname "$0")/lib.sh"

require_built "$vgatray" "$probe"
[[ -n ${DISPLAY:-} ]] || fail "no DISPLAY: run through with-xvfb.sh"

work=$(mktemp -d)
log=$work/received.txt
ready=$work/ready.txt
probe_pid=
cleanup() {
  if [[ -n $probe_pid ]]; then
    quiet wine "$probe" close "$title" || true
    wait_for process_gone "$probe_pid" || kill "$probe_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

windows_are "windows=0 visible=0" || fail "a copy is running already: $(windows_state)"
windows_path() { winepath -w "$1" 2>/dev/null; }

: >"$log"
wine "$probe" own "$title" "$(windows_path "$log")" "$(windows_path "$ready")" </dev/null \
  >/dev/null 2>&1 &
probe_pid=$!
wait_for test -s "$ready" || fail "the probe did not get ready"

received() { tr -d '\r' <"$log" | paste -sd, -; }
lines_at_least() { [[ $(wc -l <"$log") -ge $1 ]]; }

# Runs a second copy with the given arguments; it must end on its own, successfully.
second_copy() {
  local rc=0
  timeout 60 wine "$vgatray" "$@" </dev/null >/dev/null 2>&1 || rc=$?
  [[ $rc -eq 0 ]] || fail "vgatray.exe $* exited with $rc"
}

# Each case: the messages expected, then the arguments. A case that expects nothing is followed
# by "Turnoff" as a marker: messages of one process arrive in the order they were posted, so
# anything the first copy had posted would stand before the marker's TurnOff.
check() {
  local expected=$1 count
  shift
  : >"$log"
  second_copy "$@"
  if [[ $expected == - ]]; then
    second_copy Turnoff
    expected=TurnOff
  fi
  count=$(tr ',' '\n' <<<"$expected" | wc -l)
  wait_for lines_at_least "$count" || fail "vgatray.exe $*: received '$(received)', expected '$expected'"
  sleep 0.2
  [[ $(received) == "$expected" ]] || fail "vgatray.exe $*: received '$(received)', expected '$expected'"
}

check TurnOff Turnoff
check TurnOff TURNOFF
check TurnOff,RemoveRegistry Uninstall
check TurnOff,RemoveRegistry uninstall
check - Uninstall now
check - "Uninstall now"
check - Turnoff2
check -

# The res form of a second copy writes nothing.
quiet wine reg delete "$profile_key" /f || true
second_copy res 1280 1024 32
key_absent "$profile_key" || fail "a second copy's res form wrote to the profile"

echo "vgatray.exe as a second copy: verbs forwarded in order, everything else ignored"

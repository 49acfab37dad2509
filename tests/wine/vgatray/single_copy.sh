#!/usr/bin/env bash
# A normal start of the real vgatray.exe: one hidden top-level window titled "KDX 5830" that stays;
# a second copy with "Uninstall" ends it and removes its registry profile. Needs an X display
# (run through with-xvfb.sh).
set -euo pipefail
source "$(dirname "$0")/lib.sh"

require_built "$vgatray" "$probe"
[[ -n ${DISPLAY:-} ]] || fail "no DISPLAY: run through with-xvfb.sh"

pid=
cleanup() { if [[ -n $pid ]]; then kill "$pid" 2>/dev/null || true; fi; }
trap cleanup EXIT

windows_are "windows=0 visible=0" || fail "a copy is running already: $(windows_state)"
# A profile value that the uninstall has to take away.
quiet wine reg add "$dongle_key" /v DispState /t REG_DWORD /d 2 /f || fail "reg add"

wine "$vgatray" </dev/null >/dev/null 2>&1 &
pid=$!
wait_for windows_are "windows=1 visible=0" || fail "no hidden window: $(windows_state)"

# It stays: past the start-up timer (1 s), still one hidden window and a live process.
start=$SECONDS
while ((SECONDS - start < 3)); do
  kill -0 "$pid" 2>/dev/null || fail "vgatray.exe ended by itself"
  windows_are "windows=1 visible=0" || fail "window state changed: $(windows_state)"
  sleep 0.5
done

# A second copy started while the first runs does nothing and ends.
timeout 60 wine "$vgatray" </dev/null >/dev/null 2>&1 || fail "a plain second copy failed"
windows_are "windows=1 visible=0" || fail "after a plain second copy: $(windows_state)"

timeout 60 wine "$vgatray" Uninstall </dev/null >/dev/null 2>&1 || fail "vgatray.exe Uninstall failed"
wait_for process_gone "$pid" || fail "the running copy did not end after Uninstall"
rc=0
wait "$pid" || rc=$?
pid=
[[ $rc -eq 0 ]] || fail "the running copy exited with $rc"
windows_are "windows=0 visible=0" || fail "a window is left: $(windows_state)"
key_absent "$profile_key" || fail "the registry profile is still there after Uninstall"

echo "vgatray.exe: one hidden window while running; Uninstall ended it and removed its profile"

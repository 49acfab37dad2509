#!/usr/bin/env bash
# "vgatray.exe res W H D" writes the resolution preset for the next start and ends without a
# message loop; values no display mode can have are not written (exit code 2); with three
# arguments it is a normal start that writes nothing. Needs an X display
# (run through with-xvfb.sh).
set -euo pipefail
source "$(dirname "$0")/lib.sh"

require_built "$vgatray" "$probe"
[[ -n ${DISPLAY:-} ]] || fail "no DISPLAY: run through with-xvfb.sh"

pid=
cleanup() { if [[ -n $pid ]]; then kill "$pid" 2>/dev/null || true; fi; }
trap cleanup EXIT

windows_are "windows=0 visible=0" || fail "a copy is running already: $(windows_state)"
quiet wine reg delete "$profile_key" /f || true

rc=0
timeout 60 wine "$vgatray" res 1280 1024 32 </dev/null >/dev/null 2>&1 || rc=$?
[[ $rc -eq 0 ]] || fail "vgatray.exe res 1280 1024 32 exited with $rc (124: it did not end)"
windows_are "windows=0 visible=0" || fail "a window is left: $(windows_state)"

values=$(wine reg query "$dongle_key" </dev/null 2>/dev/null | tr -d '\r')
value_is() {
  grep -Eq "^[[:space:]]+$1[[:space:]]+REG_DWORD[[:space:]]+$2\$" <<<"$values" ||
    fail "$1 is not $2 in: $values"
}
value_is FirstRun 0x0
value_is Height 0x400
value_is Width 0x500
value_is BitDepth 0x20
[[ $(grep -c REG_ <<<"$values") -eq 4 ]] || fail "other values were written: $values"

# A preset no display mode can have: the program ends as for a preset, writes nothing and says
# so in its exit code.
quiet wine reg delete "$profile_key" /f || true
rc=0
timeout 60 wine "$vgatray" res 1280 -1024 32 </dev/null >/dev/null 2>&1 || rc=$?
[[ $rc -eq 2 ]] || fail "vgatray.exe res 1280 -1024 32 exited with $rc, expected 2"
windows_are "windows=0 visible=0" || fail "a window is left: $(windows_state)"
key_absent "$dongle_key" || fail "res 1280 -1024 32 wrote the preset"

# Three arguments: a normal start, nothing written.
wine "$vgatray" res 1280 1024 </dev/null >/dev/null 2>&1 &
pid=$!
wait_for windows_are "windows=1 visible=0" || fail "res with three arguments did not start normally"
key_absent "$dongle_key" || fail "res with three arguments wrote the preset"
timeout 60 wine "$vgatray" Uninstall </dev/null >/dev/null 2>&1 || fail "Uninstall failed"
wait_for process_gone "$pid" || fail "the running copy did not end after Uninstall"
pid=

echo "vgatray.exe res: preset written as DWORDs and the program ended by itself"

# Shared by the Wine scripts of vgatray: paths, polling and the probe. Sourced, not run.
# shellcheck shell=bash disable=SC2034

bin=${VGA_BIN:?VGA_BIN must name the directory of the executables}
vgatray=$bin/vgatray.exe
probe=$bin/vgatray_probe.exe
title="KDX 5830"
profile_key='HKCU\Software\ZUZEZE Vezade'
dongle_key='HKCU\Software\ZUZEZE Vezade\vgatray\VGA DONGLE'

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

quiet() { "$@" </dev/null >/dev/null 2>&1; }

# Polls (every 0.1 s, up to 20 s) until the command succeeds.
wait_for() {
  local i
  for ((i = 0; i < 200; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# "windows=N visible=V" for the top-level windows titled "KDX 5830".
windows_state() { wine "$probe" windows "$title" </dev/null 2>/dev/null | tr -d '\r'; }
windows_are() { [[ $(windows_state) == "$1" ]]; }

process_gone() { ! kill -0 "$1" 2>/dev/null; }

key_absent() { ! quiet wine reg query "$1"; }

require_built() {
  local f
  for f in "$@"; do
    [[ -f $f ]] || fail "build $(basename "$f") first"
  done
}

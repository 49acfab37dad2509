#!/usr/bin/env bash
# The benchmarks: the engine against the simulated Windows in a Release build without sanitizers
# (the bench preset), then vgatray.exe idle under Wine (about a minute). Prints figures with their
# ratio to the goals; asserts nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/bootstrap.sh >/dev/null
jobs=${VGA_JOBS:-2}

echo "== engine and simulated Windows (bench preset: Release, no sanitizers)"
cmake --preset bench >/dev/null
cmake --build --preset bench -j"$jobs" >/dev/null
build/bench/bin/vga_bench "$@"

echo "== vgatray.exe idle under Wine"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j"$jobs" --target vgatray empty_window >/dev/null
export WINEPREFIX=$root/build/bench/wineprefix WINEARCH=win32 WINEDEBUG=-all
mkdir -p "$WINEPREFIX"
tests/wine/with-xvfb.sh scripts/wine-idle.sh "$root/build/win32/bin"

#!/usr/bin/env bash
# vgatray.exe idle under Wine, with no adapter: its CPU time over VGA_IDLE_SECONDS (60) once it
# has started, and its private memory against an empty Win32 window program. Not a test: it
# prints figures with their ratio to the goals (0 ms of CPU, within 2 MB of memory).
#   wine-idle.sh BIN_DIR    (BIN_DIR holds vgatray.exe and empty_window.exe; run under with-xvfb.sh)
set -euo pipefail

bin=${1:?usage: $0 BIN_DIR}
seconds=${VGA_IDLE_SECONDS:-60}
ticks=$(getconf CLK_TCK)

started=()
cleanup() {
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
  wineserver -k >/dev/null 2>&1 || true
}
trap cleanup EXIT

wineserver -p </dev/null >/dev/null 2>&1 || true  # one may already run for this prefix
wine wineboot </dev/null >/dev/null 2>&1

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
private_kb() { awk '/^Private_(Clean|Dirty):/ {sum += $2} END {print sum}' "/proc/$1/smaps_rollup"; }

# Starts a program and waits (bounded) until its CPU time has stood still for two seconds.
start_settled() {
  wine "$1" </dev/null >/dev/null 2>&1 &
  local pid=$! last=-1 still=0
  started+=("$pid")
  for _ in $(seq 1 60); do
    sleep 0.5
    kill -0 "$pid" 2>/dev/null || { echo "$1 ended by itself" >&2; exit 1; }
    local now
    now=$(cpu_ticks "$pid")
    if [[ $now == "$last" ]]; then still=$((still + 1)); else still=0; fi
    last=$now
    ((still >= 4)) && break
  done
  settled_pid=$pid
}

start_settled "$bin/vgatray.exe"
tray=$settled_pid
startup_ms=$(($(cpu_ticks "$tray") * 1000 / ticks))
before=$(cpu_ticks "$tray")
sleep "$seconds"
kill -0 "$tray" 2>/dev/null || { echo "vgatray.exe ended while idle" >&2; exit 1; }
idle_ms=$((($(cpu_ticks "$tray") - before) * 1000 / ticks))
tray_kb=$(private_kb "$tray")

start_settled "$bin/empty_window.exe"
empty_kb=$(private_kb "$settled_pid")
extra_kb=$((tray_kb - empty_kb))

echo "vgatray.exe under Wine, no adapter ($(wine --version 2>/dev/null), CPU time in ${ticks} Hz ticks)"
printf '  start-up CPU:              %6d ms\n' "$startup_ms"
printf '  CPU over %3d s idle:       %6d ms   goal 0 ms        ratio %s\n' "$seconds" "$idle_ms" \
  "$( ((idle_ms == 0)) && echo 'met' || echo "$idle_ms ms over")"
printf '  private memory:            %6d KB   empty window program %d KB\n' "$tray_kb" "$empty_kb"
printf '  beyond the empty program:  %6d KB   goal 2048 KB     ratio %s\n' "$extra_kb" \
  "$(awk -v e="$extra_kb" 'BEGIN {printf "%.2f", e / 2048}')"

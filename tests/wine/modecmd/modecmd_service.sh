#!/usr/bin/env bash
# Runs the real modecmd.exe under Wine against a stand-in "RAZIDORiz" service that records the
# control codes it receives, then against no service at all.
set -euo pipefail

service=RAZIDORiz
bin=${VGA_BIN:?VGA_BIN must name the directory of the executables}
modecmd=$bin/modecmd.exe
recorder=$bin/modecmd_recording_service.exe
work=$(mktemp -d)
log=$work/codes.txt

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

quiet() { "$@" </dev/null >/dev/null 2>&1; }

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# Polls (up to 10 s) until the condition command succeeds.
wait_for() {
  local i
  for ((i = 0; i < 100; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

service_running() { wine sc query "$service" </dev/null 2>/dev/null | grep -q RUNNING; }
service_absent() { ! quiet wine sc query "$service"; }
service_stopped() { wine sc query "$service" </dev/null 2>/dev/null | grep -q STOPPED; }

remove_service() {
  quiet wine net stop "$service" || true
  quiet wine sc delete "$service" || true
  wait_for service_absent
}

trap 'remove_service || true; rm -rf "$work"' EXIT

[[ -f $modecmd && -f $recorder ]] || fail "build modecmd and modecmd_recording_service first"
remove_service || fail "a service $service left by an earlier run cannot be removed"

: >"$log"
quiet wine sc create "$service" binPath= "\"$(windows_path "$recorder")\" \"$(windows_path "$log")\"" ||
  fail "sc create"
quiet wine net start "$service" || fail "net start"
wait_for service_running || fail "the service does not reach RUNNING"

expected=()
recorded_count() { [[ $(wc -l <"$log") -ge ${#expected[@]} ]]; }

# Each case: the expected code ("-" for nothing sent, exit code 2), then the arguments; an
# accepted code exits with 0.
run_case() {
  local expect=$1 rc=0 want=0
  shift
  [[ $expect != - ]] || want=2
  timeout 60 wine "$modecmd" "$@" </dev/null >/dev/null 2>&1 || rc=$?
  [[ $rc -eq $want ]] || fail "modecmd $* exited with $rc, expected $want"
  if [[ $expect != - ]]; then
    expected+=("$expect")
    wait_for recorded_count || fail "modecmd $*: code $expect never arrived"
  fi
}

run_case 148 launch
run_case - launcher
run_case 149 r
run_case -
run_case - ""
run_case 180 launch fix
run_case 183 remove super
run_case - x fixpos
run_case 181 remove ""
run_case 180 "" fixpos
run_case 157 3 util
run_case 157 3 utilc extra
run_case 154 abc u
run_case 134 -20 Util
run_case 255 101 u
run_case - 200 util

mapfile -t got <"$log"
[[ "${got[*]}" == "${expected[*]}" ]] ||
  fail "codes received: ${got[*]:-none}; expected: ${expected[*]}"

# The outcome of a one-argument form reaches the debugger output.
WINEDEBUG=warn+debugstr timeout 60 wine "$modecmd" Launch </dev/null >/dev/null 2>"$work/trace.txt" ||
  fail "modecmd Launch with tracing"
grep -qF 'Send Launch Command to RAZIDORiz Success\n' "$work/trace.txt" ||
  fail "no success trace: $(cat "$work/trace.txt")"

# A code Windows never accepts is not sent, and the run ends at once saying why.
start=$SECONDS
rc=0
WINEDEBUG=warn+debugstr timeout 60 wine "$modecmd" 200 util </dev/null >/dev/null 2>"$work/trace.txt" ||
  rc=$?
[[ $rc -eq 2 ]] || fail "modecmd 200 util exited with $rc, expected 2"
((SECONDS - start < 30)) || fail "modecmd 200 util took $((SECONDS - start)) s"
grep -qF 'control code 354 is outside 128 to 255, not sent' "$work/trace.txt" ||
  fail "no trace of the refused code: $(cat "$work/trace.txt")"
tr -d '\r' <"$work/trace.txt" | grep -qxF 'modecmd: nothing sent: control code 354 is outside 128 to 255' ||
  fail "standard error does not say that nothing was sent: $(cat "$work/trace.txt")"

# A stopped service is waited for: started while modecmd retries, it gets the code, and modecmd
# ends with 0.
quiet wine net stop "$service" || fail "net stop"
wait_for service_stopped || fail "the service does not stop"
start=$SECONDS
WINEDEBUG=warn+debugstr timeout 120 wine "$modecmd" remove </dev/null >/dev/null 2>"$work/trace.txt" &
waiting=$!
sleep 2
quiet wine net start "$service" || fail "net start after the stop"
rc=0
wait "$waiting" || rc=$?
[[ $rc -eq 0 ]] || fail "modecmd remove with the service started late exited with $rc: $(cat "$work/trace.txt")"
grep -qF 'send service failed, service is not running' "$work/trace.txt" ||
  fail "modecmd did not meet the stopped service: $(cat "$work/trace.txt")"
((SECONDS - start < 60)) || fail "modecmd remove took $((SECONDS - start)) s after the service started"
last_code_is() { [[ $(tail -n 1 "$log") == "$1" ]]; }
wait_for last_code_is 149 || fail "the late service received $(tail -n 1 "$log"), not 149"

# Only the rights a standard user holds are asked for: SC_MANAGER_CONNECT (1) and
# SERVICE_USER_DEFINED_CONTROL (0x100), as the relay trace shows the arguments.
WINEDEBUG=+relay timeout 60 wine "$modecmd" Launch </dev/null 2>&1 >/dev/null |
  grep -E 'Call [a-z0-9]+\.Open(SCManager|Service)A\(' >"$work/relay.txt" || true
grep -qE 'OpenSCManagerA\(00000000,00000000,00000001\)' "$work/relay.txt" ||
  fail "OpenSCManagerA not called with SC_MANAGER_CONNECT: $(cat "$work/relay.txt")"
grep -qE 'OpenServiceA\([0-9a-f]{8},[^,]*"RAZIDORiz",00000100\)' "$work/relay.txt" ||
  fail "OpenServiceA not called with SERVICE_USER_DEFINED_CONTROL: $(cat "$work/relay.txt")"
! grep -vE 'OpenSCManagerA\(00000000,00000000,00000001\)|OpenServiceA\([0-9a-f]{8},[^,]*"RAZIDORiz",00000100\)' \
  "$work/relay.txt" | grep -q . || fail "other access rights asked for: $(cat "$work/relay.txt")"

# Without the service every attempt fails at OpenService, and none of them waits.
remove_service || fail "the service cannot be removed"
start=$SECONDS
rc=0
WINEDEBUG=warn+debugstr timeout 120 wine "$modecmd" launch </dev/null >/dev/null 2>"$work/trace.txt" ||
  rc=$?
elapsed=$((SECONDS - start))
[[ $rc -eq 3 ]] || fail "modecmd launch without the service exited with $rc, expected 3"
((elapsed < 30)) || fail "modecmd launch without the service took $elapsed s"
failures=$(grep -cF 'Open Sevice failed' "$work/trace.txt" || true)
[[ $failures -eq 100 ]] || fail "$failures OpenService failures traced instead of 100"
grep -qF 'Send Launch Command to RAZIDORiz Fail!\n' "$work/trace.txt" || fail "no failure trace"
tr -d '\r' <"$work/trace.txt" |
  grep -qxF 'modecmd: RAZIDORiz did not accept control code 148 in 100 attempts: the service cannot be opened (is it installed?)' ||
  fail "standard error does not say why: $(cat "$work/trace.txt")"

echo "modecmd under Wine: ${#expected[@]} codes delivered as expected; missing service handled in $elapsed s"

#!/usr/bin/env bash
# The window tests of vgatray_win32_tests, which skip themselves without a display, on one.
# Run through with-xvfb.sh.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

tests=$bin/vgatray_win32_tests.exe
require_built "$tests"
[[ -n ${DISPLAY:-} ]] || fail "no DISPLAY: run through with-xvfb.sh"

rc=0
out=$(timeout 120 wine "$tests" --gtest_filter='WindowingTest.*' </dev/null 2>&1) || rc=$?
[[ $rc -eq 0 ]] || fail "window tests failed: $out"
grep -q 'SKIPPED' <<<"$out" && fail "window tests skipped with a display: $out"
grep -Eq '\[  PASSED  \] [1-9][0-9]* tests' <<<"$out" || fail "no window test ran: $out"
echo "$out" | grep -F '[  PASSED  ]'

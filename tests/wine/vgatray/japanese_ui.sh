#!/usr/bin/env bash
# The Japanese string table is in vgatray.exe, and a Japanese user interface gets it: Wine run
# with LC_ALL=ja_JP.UTF-8 reports a Japanese UI language, and the seam's LoadString answers in
# Japanese (the test program carries the same resources as vgatray.exe). Run through with-xvfb.sh.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

tests=$bin/vgatray_win32_tests.exe
require_built "$vgatray" "$probe" "$tests"

string_of() { wine "$probe" string "$(winepath -w "$vgatray")" "$1" "$2" </dev/null 2>/dev/null | tr -d '\r'; }
expect_string() {
  local got
  got=$(string_of "$1" "$2")
  [[ $got == "$3" ]] || fail "string $1 in language $2 is '$got', expected '$3'"
}

expect_string 133 411 "プライマリ　モニタ"
expect_string 140 411 "0 °"
expect_string 149 411 "キャンセル"
expect_string 150 411 "ユーティリティー"
expect_string 133 409 "Primary"
expect_string 150 409 "VGA Adapter Utility"

locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$' || fail "the ja_JP.UTF-8 locale is missing (scripts/bootstrap.sh)"
rc=0
out=$(LC_ALL=ja_JP.UTF-8 VGA_EXPECT_UI=ja timeout 120 wine "$tests" \
  --gtest_filter='*LoadStringFollowsTheUserInterfaceLanguage*' </dev/null 2>&1) || rc=$?
[[ $rc -eq 0 ]] || fail "the Japanese user interface did not get the Japanese texts: $out"
grep -q '\[  PASSED  \] 1 test' <<<"$out" || fail "the language test did not run: $out"

# The Japanese user interface lays the dialogs out with another font: the confirmation's texts
# must still fit their controls.
[[ -n ${DISPLAY:-} ]] || fail "no DISPLAY: run through with-xvfb.sh"
rc=0
out=$(LC_ALL=ja_JP.UTF-8 timeout 120 wine "$tests" \
  --gtest_filter='*TheConfirmationsTextsFitTheirControlsInBothLanguages*' </dev/null 2>&1) || rc=$?
[[ $rc -eq 0 ]] || fail "the confirmation's texts do not fit with the Japanese UI's font: $out"
grep -q '\[  PASSED  \] 1 test' <<<"$out" || fail "the text fit test did not run: $out"

echo "Japanese table present; LC_ALL=ja_JP.UTF-8 gives a Japanese UI and Japanese texts"

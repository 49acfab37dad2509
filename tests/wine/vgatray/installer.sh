#!/usr/bin/env bash
# vgatray-setup.exe in a Wine prefix of its own, made fresh for this run: a silent install; a
# silent uninstall while the real vgatray.exe runs (it gets "TurnOff" and "RemoveRegistry" and
# ends; the install leaves nothing, a file of someone else in the folder stays); the uninstaller
# run again, without a running copy; an upgrade while the utility runs (its settings stay, the
# files are new, a copy runs afterwards); the welcome page in English and in Japanese, kept in
# $VGA_ARTIFACTS/installer; a Japanese install into a folder given in quotes (its uninstall entry
# in Japanese), the other quoted form, and a /D= that is no full path, refused. Run through
# with-xvfb.sh.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

setup=$bin/vgatray-setup.exe
require_built "$setup" "$vgatray" "$probe"
[[ -n ${DISPLAY:-} ]] || fail "no DISPLAY: run through with-xvfb.sh"
for tool in import convert compare; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/bootstrap.sh)"
done

artifacts=${VGA_ARTIFACTS:-$(cd "$(dirname "$0")/../../.." && pwd)/artifacts}/installer
mkdir -p "$artifacts"
work=$(mktemp -d)

export WINEPREFIX=$bin/../wineprefix-installer
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
pid=
cleanup() {
  if [[ -n $pid ]]; then kill "$pid" 2>/dev/null || true; fi
  wineserver -k </dev/null >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
quiet wineserver -p
quiet wine wineboot
# One virtual desktop, so that the installer and the utility see each other's windows.
quiet wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d setup /f
quiet wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v setup /d 1024x768 /f

folder='C:\Program Files\VGA Adapter Utility'
dir=$(winepath -u "$folder" 2>/dev/null)
menu=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/VGA\ Adapter\ Utility
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\vgatray'
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'

run_setup() {
  local rc=0
  timeout 120 wine "$setup" "$@" </dev/null >/dev/null 2>&1 || rc=$?
  [[ $rc -eq 0 ]] || fail "vgatray-setup.exe $* exited with $rc"
}
reg_value() { wine reg query "$1" /v "$2" </dev/null 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }
expect_value() {
  local got
  got=$(reg_value "$1" "$2")
  [[ $got == "$3" ]] || fail "$1 $2 is '$got', expected '$3'"
}
same_file() { cmp -s "$1" "$2"; }
installed_gone() { [[ ! -e $dir/vgatray.exe && ! -e $dir/uninstall.exe ]]; }

# --- A silent install into a fresh prefix.
run_setup /S "/D=$folder"
same_file "$dir/vgatray.exe" "$vgatray" || fail "vgatray.exe not installed"
same_file "$dir/modecmd.exe" "$bin/modecmd.exe" || fail "modecmd.exe not installed"
[[ -f $dir/uninstall.exe ]] || fail "no uninstaller"
[[ -f "$menu/VGA Adapter Utility.lnk" && -f "$menu/Uninstall VGA Adapter Utility.lnk" ]] ||
  fail "Start-menu entries missing: $(ls "$menu" 2>&1)"
expect_value "$run_key" vgatray "\"$folder\\vgatray.exe\""
expect_value "$uninstall_key" DisplayName "VGA Adapter Utility"
expect_value "$uninstall_key" DisplayVersion "$(sed -n 's/.*project(vgatray VERSION \([0-9.]*\).*/\1/p' \
  "$(dirname "$0")/../../../CMakeLists.txt" | head -1)"
expect_value "$uninstall_key" Publisher "ZUZEZE Vezade"
expect_value "$uninstall_key" DisplayIcon "\"$folder\\vgatray.exe\",0"
expect_value "$uninstall_key" UninstallString "\"$folder\\uninstall.exe\""
expect_value "$uninstall_key" QuietUninstallString "\"$folder\\uninstall.exe\" /S"
expect_value "$uninstall_key" NoModify 0x1
expect_value "$uninstall_key" NoRepair 0x1
[[ $(reg_value "$uninstall_key" EstimatedSize) =~ ^0x[1-9a-f] ]] || fail "no EstimatedSize"
windows_are "windows=0 visible=0" || fail "a silent install started the utility"

# --- Silent uninstall while the utility runs; a file of someone else in the folder stays.
quiet wine reg add "$dongle_key" /v DispState /t REG_DWORD /d 2 /f || fail "reg add"
echo notes >"$dir/notes.txt"
cp "$dir/uninstall.exe" "$work/uninstall.exe"
WINEDEBUG=+message wine "$dir/vgatray.exe" </dev/null >/dev/null 2>"$work/messages.log" &
pid=$!
wait_for windows_are "windows=1 visible=0" || fail "vgatray.exe did not start: $(windows_state)"
run_setup_uninstall() {
  local rc=0
  timeout 120 wine "$@" </dev/null >/dev/null 2>&1 || rc=$?
  [[ $rc -eq 0 ]] || fail "$* exited with $rc"
}
run_setup_uninstall "$dir/uninstall.exe" /S
# The uninstaller runs on from a copy of itself in the temporary folder.
wait_for installed_gone || fail "the files are still there: $(ls "$dir")"
wait_for process_gone "$pid" || fail "the running copy did not end"
pid=
for message in TurnOff RemoveRegistry; do
  grep -aq "\"$message\"" "$work/messages.log" || fail "the running copy did not get $message"
done
key_absent "$profile_key" || fail "the profile is still there"
wait_for key_absent "$uninstall_key" || fail "the Add/Remove Programs entry is still there"
[[ -z $(reg_value "$run_key" vgatray) ]] || fail "the Run value is still there"
[[ ! -e $dir/modecmd.exe ]] || fail "modecmd.exe is still there"
[[ ! -e $menu ]] || fail "the Start-menu folder is still there"
[[ $(ls -A "$dir") == notes.txt ]] || fail "the folder should hold only notes.txt: $(ls -A "$dir")"

# --- The uninstaller once more, with nothing installed and nothing running: it touches nothing.
quiet wine reg add 'HKCU\Software\ZUZEZE Vezade\other' /v Kept /t REG_DWORD /d 1 /f
run_setup_uninstall "$(winepath -w "$work/uninstall.exe")" /S "_?=$folder"
[[ $(ls -A "$dir") == notes.txt ]] || fail "a second uninstall changed the folder: $(ls -A "$dir")"
[[ $(reg_value 'HKCU\Software\ZUZEZE Vezade\other' Kept) == 0x1 ]] ||
  fail "the uninstaller touched another key of the company"
windows_are "windows=0 visible=0" || fail "a second uninstall started the utility"

# --- Upgrade while the utility runs: its settings stay, the files are the new ones, and a copy
# runs again afterwards. The old vgatray.exe carries a few extra bytes to tell it from the new.
run_setup /S "/D=$folder"
printf 'old' >>"$dir/vgatray.exe"
printf 'old' >>"$dir/modecmd.exe"
quiet wine reg add "$dongle_key" /v Width /t REG_DWORD /d 1280 /f || fail "reg add"
wine "$dir/vgatray.exe" </dev/null >/dev/null 2>&1 &
pid=$!
wait_for windows_are "windows=1 visible=0" || fail "vgatray.exe did not start: $(windows_state)"
run_setup /S
wait_for process_gone "$pid" || fail "the old copy did not end"
rc=0
wait "$pid" || rc=$?
pid=
[[ $rc -eq 0 ]] || fail "the old copy exited with $rc"
same_file "$dir/vgatray.exe" "$vgatray" || fail "vgatray.exe was not replaced"
same_file "$dir/modecmd.exe" "$bin/modecmd.exe" || fail "modecmd.exe was not replaced"
[[ $(reg_value "$dongle_key" Width) == 0x500 ]] || fail "the upgrade lost the settings"
wait_for windows_are "windows=1 visible=0" || fail "no copy runs after the upgrade: $(windows_state)"
timeout 60 wine "$dir/vgatray.exe" Uninstall </dev/null >/dev/null 2>&1 || true
wait_for windows_are "windows=0 visible=0" || fail "the new copy did not end"

# --- The welcome page, by the user interface language. The page counts as drawn once two
# screenshots in a row are alike.
welcome() {
  local name=$1 title=$2 shot=$artifacts/welcome-$1.png previous=$work/previous.png i
  shift 2
  env "$@" wine "$setup" </dev/null >/dev/null 2>&1 &
  pid=$!
  wait_for windows_are_titled "$title" || fail "no setup window titled '$title'"
  rm -f "$previous"
  for ((i = 0; i < 50; i++)); do
    import -window root "$shot"
    if [[ -f $previous ]] && [[ $(compare -metric AE "$shot" "$previous" null: 2>&1 || true) == 0 ]]; then
      break
    fi
    cp "$shot" "$previous"
    sleep 0.2
  done
  ((i < 50)) || fail "the $name welcome page did not settle"
  quiet wine "$probe" close "$title" || true
  wait_for process_gone "$pid" || fail "the setup did not end on close"
  pid=
  echo "  saved $shot"
}
windows_are_titled() { [[ $(wine "$probe" windows "$1" </dev/null 2>/dev/null | tr -d '\r') == windows=1* ]]; }
welcome english "VGA Adapter Utility Setup" LC_ALL=C
welcome japanese "VGA Adapter Utility セットアップ" LC_ALL=ja_JP.UTF-8

# --- /D= in quotes, as PowerShell's Start-Process passes a path with blanks. The probe hands the
# setup its command line exactly as written.
run_exactly() {
  local rc=0
  VGA_COMMAND_LINE=$1 timeout 120 wine "$probe" run </dev/null >/dev/null 2>&1 || rc=$?
  echo "$rc"
}
uninstall_from() {
  local where
  where=$(winepath -u "$1" 2>/dev/null)
  run_setup_uninstall "$where/uninstall.exe" /S
  wait_for eval '[[ ! -e "$where/uninstall.exe" ]]' || fail "no uninstall from $1"
  wait_for key_absent "$uninstall_key" || fail "the Add/Remove Programs entry stays after $1"
}
uninstall_from "$folder"
setup_win=$(winepath -w "$setup" 2>/dev/null)
link_ja="VGA Adapter Utility のアンインストール.lnk"
link_en="Uninstall VGA Adapter Utility.lnk"

# install_quoted LOCALE FOLDER ARGUMENT LINK-KEPT LINK-ABSENT: a silent install into FOLDER given
# as ARGUMENT, its Start-menu entry in the locale's language only, then its uninstall.
install_quoted() {
  local locale=$1 folder=$2 argument=$3 kept=$4 absent=$5
  [[ $(LC_ALL=$locale run_exactly "\"$setup_win\" /S $argument") == 0 ]] ||
    fail "the setup with $argument failed"
  expect_value "$uninstall_key" InstallLocation "$folder"
  same_file "$(winepath -u "$folder")/vgatray.exe" "$vgatray" || fail "not installed into $folder"
  [[ ! -e $dir/vgatray.exe ]] || fail "$argument installed into the default folder"
  [[ -f "$menu/$kept" && ! -e "$menu/$absent" ]] ||
    fail "Start-menu entries after $argument ($locale): $(ls "$menu" 2>&1)"
  uninstall_from "$folder"
}
quoted='C:\Tools A\VGA Utility'
install_quoted ja_JP.UTF-8 "$quoted" "\"/D=$quoted\"" "$link_ja" "$link_en"
[[ ! -e $menu ]] || fail "the Start-menu folder stays after uninstall: $(ls "$menu" 2>&1)"
quoted='C:\Tools B\VGA Utility'
install_quoted C "$quoted" "/D=\"$quoted\"" "$link_en" "$link_ja"

rc=$(run_exactly "\"$setup_win\" /S \"/D=Tools C\"")
[[ $rc == 87 ]] || fail "a relative /D= gave exit code $rc, expected 87"
key_absent "$uninstall_key" || fail "a relative /D= installed"
[[ ! -e $dir/vgatray.exe ]] || fail "a relative /D= installed into the default folder"

echo "vgatray-setup.exe: installs, upgrades while running, uninstalls cleanly; welcome pages saved; quoted /D= taken, a relative one refused"

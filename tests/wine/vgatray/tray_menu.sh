#!/usr/bin/env bash
# The tray menu of the real vgatray.exe on Wine's taskbar, without an adapter. Wine's shell never
# broadcasts "TaskbarCreated", so the helper does; the icon then shows although no adapter is
# there, and a right-click on it opens the not-ready menu: Primary, Extended and Mirror, all
# greyed, the saved choice ticked. Wine keeps a menu's items inside the process that made it, so
# the menu's picture is compared with that of a menu the helper makes from exactly those items.
# Once in English and once with LC_ALL=ja_JP.UTF-8 (the Japanese texts). The screenshots are kept
# in $VGA_ARTIFACTS/tray_menu. Run through with-xvfb.sh.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

helper=$bin/vgatray_tray_helper.exe
require_built "$vgatray" "$probe" "$helper"
[[ -n ${DISPLAY:-} ]] || fail "no DISPLAY: run through with-xvfb.sh"
for tool in xdotool import convert compare; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/bootstrap.sh)"
done

artifacts=${VGA_ARTIFACTS:-$(cd "$(dirname "$0")/../../.." && pwd)/artifacts}/tray_menu
mkdir -p "$artifacts"

# The icon is the first one of the notification area, at the right end of the taskbar.
icon_x=1013
icon_y=757
# Where the mouse rests while the menu is looked at: away from the icon and its tooltip.
away_x=400
away_y=300

# Everything runs in one virtual desktop of this run, with a taskbar, on this X display: the
# helpers join it as the default desktop. (A desktop that Wine made before the X display existed
# shows nothing, so the name is new each time.)
desktop=traymenu$$
desktops_key='HKCU\Software\Wine\Explorer\Desktops'
quiet wine reg add "$desktops_key\\$desktop" /v EnableShell /t REG_DWORD /d 1 /f
quiet wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d "$desktop" /f
quiet wine reg add "$desktops_key" /v "$desktop" /d 1024x768 /f

pid=
helper_pid=
cleanup() {
  wine "$helper" dismiss </dev/null >/dev/null 2>&1 || true
  if [[ -n $helper_pid ]]; then
    kill "$helper_pid" 2>/dev/null || true
  fi
  if [[ -n $pid ]]; then
    timeout 30 wine "$vgatray" Uninstall </dev/null >/dev/null 2>&1 || true
    kill "$pid" 2>/dev/null || true
  fi
  quiet wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f || true
  quiet wine reg delete "$desktops_key" /v "$desktop" /f || true
  quiet wine reg delete "$desktops_key\\$desktop" /f || true
}
trap cleanup EXIT

menu_rect() { wine "$helper" menu </dev/null 2>/dev/null | tr -d '\r'; }
menu_open() { [[ -n $(menu_rect) ]]; }
menu_closed() { ! menu_open; }

# One right-click on the icon; true when a menu opened within a second.
click_icon() {
  local i
  xdotool mousemove "$icon_x" "$icon_y" click 3 mousemove "$away_x" "$away_y"
  for ((i = 0; i < 10; i++)); do
    menu_open && return 0
    sleep 0.1
  done
  return 1
}

open_tray_menu() {
  local attempt
  for ((attempt = 0; attempt < 20; attempt++)); do
    click_icon && return 0
  done
  return 1
}

# Crops the menu's rectangle ("X Y W H") out of a screenshot of the whole screen.
crop() { convert "$1" -crop "$4x$5+$2+$3" +repage "$6"; }

# Screenshots until two in a row show the menu alike (the tooltip has gone, painting is done);
# leaves the screen in $1 and the menu in $2.
settled_shot() {
  local screen=$1 out=$2 rect=$3 previous=$artifacts/.previous.png i
  rm -f "$previous"
  for ((i = 0; i < 50; i++)); do
    import -window root "$screen"
    # shellcheck disable=SC2086
    crop "$screen" $rect "$out"
    if [[ -f $previous ]] && [[ $(compare -metric AE "$out" "$previous" null: 2>&1 || true) == 0 ]]; then
      rm -f "$previous"
      return 0
    fi
    cp "$out" "$previous"
    sleep 0.1
  done
  rm -f "$previous"
  return 1
}

# check_menu NAME LC_ALL SAVED_STATE TICKED TEXT...
check_menu() {
  local name=$1 lc=$2 saved=$3 ticked=$4
  shift 4
  local texts=("$@")

  quiet wine reg add "$dongle_key" /v DispState /t REG_DWORD /d "$saved" /f || fail "reg add"
  windows_are "windows=0 visible=0" || fail "$name: a copy is running already: $(windows_state)"
  LC_ALL=$lc wine explorer "/desktop=$desktop,1024x768" "$vgatray" </dev/null >/dev/null 2>&1 &
  pid=$!
  wait_for windows_are "windows=1 visible=0" || fail "$name: vgatray.exe did not start"

  wine "$helper" taskbar-created </dev/null >/dev/null 2>&1 || fail "broadcast failed"
  open_tray_menu || fail "$name: no menu opened on the icon"
  local rect
  rect=$(menu_rect)
  settled_shot "$artifacts/$name-screen.png" "$artifacts/$name-menu.png" "$rect" ||
    fail "$name: the menu never settled"

  wine "$helper" dismiss </dev/null >/dev/null 2>&1 || fail "$name: could not close the menu"
  wait_for menu_closed || fail "$name: the menu stayed open"

  # The same items, greyed, with the same one ticked, made by the helper where the menu was.
  local x y
  read -r x y _ <<<"$rect"
  LC_ALL=$lc wine "$helper" show-menu "$x" "$y" "$ticked" "${texts[@]}" </dev/null >/dev/null 2>&1 &
  helper_pid=$!
  wait_for menu_open || fail "$name: the reference menu did not open"
  [[ $(menu_rect) == "$rect" ]] || fail "$name: menu at '$rect', reference at '$(menu_rect)': the items differ"
  settled_shot "$artifacts/$name-reference-screen.png" "$artifacts/$name-reference.png" "$rect" ||
    fail "$name: the reference menu never settled"
  wine "$helper" dismiss </dev/null >/dev/null 2>&1 || true
  wait "$helper_pid" || true
  helper_pid=

  local differ
  differ=$(compare -metric AE "$artifacts/$name-menu.png" "$artifacts/$name-reference.png" \
    "$artifacts/$name-difference.png" 2>&1 || true)
  [[ $differ == 0 ]] || fail "$name: the tray menu differs from the expected one in $differ pixels" \
    "(see $artifacts/$name-*.png)"

  timeout 60 wine "$vgatray" Uninstall </dev/null >/dev/null 2>&1 || fail "$name: Uninstall failed"
  wait_for windows_are "windows=0 visible=0" || fail "$name: vgatray.exe did not end"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=
  echo "$name: the not-ready menu shows ${texts[*]}, greyed, item $ticked ticked ($rect)"
}

check_menu english C 2 1 "Primary" "Extended" "Mirror"

locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$' ||
  fail "the ja_JP.UTF-8 locale is missing (scripts/bootstrap.sh)"
fc-list :lang=ja 2>/dev/null | grep -q . ||
  fail "no Japanese font, the texts would all be boxes (scripts/bootstrap.sh installs one)"
check_menu japanese ja_JP.UTF-8 3 2 "プライマリ　モニタ" "セカンダリ　モニタ" "クローン　モニタ"

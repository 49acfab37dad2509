#!/usr/bin/env bash
# The main job on a machine without the adapter: vgatray under Wine, on a simulated desktop with a
# simulated adapter plugged in. The demonstration window draws the desktop; a scripted tour
# switches the adapter's display to Extended, chooses 1280 x 1024 and confirms it in the question
# that shows, then switches to Mirror, Primary and Off through the utility's own menu commands,
# unplugs and re-plugs the adapter, and saves screenshots of each step (and of the
# tray icon and its menu) in artifacts/main-job/. On a person's X display the window stays for
# them to use (Plug in, Unplug, Suspend, Resume, and the tray menu); close it to end.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/bootstrap.sh >/dev/null
if ! scripts/wine-can-run.sh; then
  echo "main job: it runs the utility under Wine, which cannot run on this machine" >&2
  exit 1
fi
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j"${VGA_JOBS:-2}" --target vgatray vgatray-demo

out=$root/artifacts/main-job
mkdir -p "$out"
rm -f "$out"/*.png "$out"/status.txt*

export WINEPREFIX=$root/build/main-job/prefix WINEARCH=win32 WINEDEBUG=-all
mkdir -p "$WINEPREFIX"

xvfb_pid=""
interactive=0
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

if [ -z "${CI:-}" ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  interactive=1
else
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then break; fi
  done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 1 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
fi

wineserver -p </dev/null >/dev/null 2>&1
wine wineboot </dev/null >/dev/null 2>&1
# Every tour starts as a first run: the demonstration's own settings from an earlier run go.
wine reg delete 'HKCU\Software\ZUZEZE Vezade\vgatray-demo' /f </dev/null >/dev/null 2>&1 || true

status=$out/status.txt
wait_for() {  # wait_for STEP SECONDS
  local deadline=$((SECONDS + $2))
  while [ $SECONDS -lt $deadline ]; do
    if [ -f "$status" ] && [ "$(tr -d '\r\n' < "$status")" = "$1" ]; then return 0; fi
    sleep 0.2
  done
  echo "main job: the demonstration did not reach '$1' within $2 s" >&2
  return 1
}
shot() { import -window root "$out/$1.png"; echo "  saved artifacts/main-job/$1.png"; }

echo "Starting vgatray on a simulated adapter under Wine (display $DISPLAY)"
wine explorer /desktop=shell,1024x768 "$root/build/win32/bin/vgatray-demo.exe" \
  --status "$(winepath -w "$status")" </dev/null >/dev/null 2>&1 &

wait_for ready 120
echo "The adapter is up: its display extends the desktop and the tray icon is shown."
shot 1-desktop-ready
# The tray icon sits at the right end of the Wine desktop's taskbar; a right click opens the menu.
icon_x=1013 icon_y=757
convert "$out/1-desktop-ready.png" -crop 16x14+1005+750 +repage "$out/icon.png"
xdotool mousemove "$icon_x" "$icon_y" click 3
menu_open=0
for _ in $(seq 1 50); do
  shot 2-tray-menu >/dev/null
  changed=$(compare -metric AE -fuzz 10% "$out/1-desktop-ready.png" "$out/2-tray-menu.png" null: 2>&1 || true)
  if [ "${changed%% *}" -gt 2000 ] 2>/dev/null; then menu_open=1; break; fi
  sleep 0.2
done
echo "  saved artifacts/main-job/2-tray-menu.png"
# A click on the empty desktop closes the menu, as it would for a person.
xdotool mousemove 600 650 click 1
for _ in $(seq 1 50); do
  import -window root "$out/closed.png"
  changed=$(compare -metric AE -fuzz 10% "$out/1-desktop-ready.png" "$out/closed.png" null: 2>&1 || true)
  if [ "${changed%% *}" -lt 2000 ] 2>/dev/null; then break; fi
  sleep 0.2
done
rm -f "$out/closed.png"
touch "$status.go"

step=3
for state in extended confirmation confirmed mirror primary off unplugged replugged; do
  wait_for "$state" 120
  echo "Step: $state"
  shot "$step-$state"
  step=$((step + 1))
  if [ "$state" = confirmation ]; then
    # A resolution above 1024 x 768 on the adapter, whose display lies beyond this screen: the
    # question must be on the screen, drawn, and answered by a click on its OK button.
    read -r left top right bottom ok_x ok_y < "$status.dialog"
    echo "  the confirmation is at ($left, $top)-($right, $bottom)"
    if [ "$left" -lt 0 ] || [ "$top" -lt 0 ] || [ "$right" -gt 1024 ] || [ "$bottom" -gt 768 ]; then
      echo "main job: the confirmation is not on the 1024x768 screen" >&2
      exit 1
    fi
    geometry="$((right - left))x$((bottom - top))+$left+$top"
    convert "$out/$((step - 2))-extended.png" -crop "$geometry" +repage "$out/before.png"
    convert "$out/$((step - 1))-confirmation.png" -crop "$geometry" +repage "$out/after.png"
    drawn=$(compare -metric AE -fuzz 10% "$out/before.png" "$out/after.png" null: 2>&1 || true)
    rm -f "$out/before.png" "$out/after.png"
    if ! [ "${drawn%% *}" -gt 2000 ] 2>/dev/null; then
      echo "main job: the confirmation is not drawn on the screen" >&2
      exit 1
    fi
    xdotool mousemove "$ok_x" "$ok_y" click 1
  fi
done

icon_spread=$(convert "$out/icon.png" -colorspace gray -format '%[fx:standard_deviation]' info:)
echo "Tray icon area: contrast $icon_spread; menu opened on right click: $menu_open"
if ! awk -v s="$icon_spread" 'BEGIN { exit !(s > 0.05) }'; then
  echo "main job: no tray icon in the notification area" >&2
  exit 1
fi
if [ "$menu_open" -ne 1 ]; then
  echo "main job: the tray menu did not open" >&2
  exit 1
fi

if [ "$interactive" -eq 1 ]; then
  echo "The demonstration stays open: use its buttons and the tray menu; close its window to end."
  while pgrep -f vgatray-demo.exe >/dev/null; do sleep 1; done
fi
echo "Main job done: screenshots in artifacts/main-job/"

#!/usr/bin/env bash
# Runs a command with an X display of its own: starts Xvfb on a free display number, exports
# DISPLAY, runs the command and always stops that Xvfb (by its PID). The command's exit status is
# the script's. With a WINEPREFIX set, Wine's default desktop is made a virtual one on this display
# while the command runs, so that programs started one after another share a desktop and see each
# other's windows. The desktop's name is new each time: a desktop of the same name created earlier
# without a display (wineboot creates one) or on a display now gone would keep every window out.
#   with-xvfb.sh COMMAND [ARGS...]
set -u

if (($# == 0)); then
  echo "usage: $0 COMMAND [ARGS...]" >&2
  exit 2
fi

xvfb_pid=
desktop=
forget_desktop() {
  if [[ -n $desktop ]]; then
    wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f </dev/null >/dev/null 2>&1
    wine reg delete 'HKCU\Software\Wine\Explorer\Desktops' /v "$desktop" /f </dev/null \
      >/dev/null 2>&1
    desktop=
  fi
}
stop_xvfb() {
  if [[ -n $xvfb_pid ]]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=
  fi
}
trap 'forget_desktop; stop_xvfb' EXIT
trap 'exit 130' INT TERM

# Tries display numbers upwards; Xvfb refuses one whose lock file exists, and a display counts as
# up once its socket answers.
started=
for ((display = 90; display < 140; display++)); do
  [[ -e /tmp/.X$display-lock || -e /tmp/.X11-unix/X$display ]] && continue
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  xvfb_pid=$!
  for ((i = 0; i < 100; i++)); do
    if ! kill -0 "$xvfb_pid" 2>/dev/null; then
      break
    fi
    if [[ -S /tmp/.X11-unix/X$display ]] && xdpyinfo -display ":$display" >/dev/null 2>&1; then
      started=$display
      break
    fi
    sleep 0.05
  done
  [[ -n $started ]] && break
  stop_xvfb
done

if [[ -z $started ]]; then
  echo "with-xvfb: no X display could be started" >&2
  exit 1
fi

export DISPLAY=:$started
if [[ -n ${WINEPREFIX:-} ]] && command -v wine >/dev/null; then
  desktop=vgatest-$$-$started
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d "$desktop" /f </dev/null >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v "$desktop" /d 1024x768 /f \
    </dev/null >/dev/null 2>&1
fi
"$@"
status=$?
forget_desktop
stop_xvfb
exit $status

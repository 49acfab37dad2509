#!/usr/bin/env bash
# WriteAttachToDesktop on Wine's own display device, seen with `wine reg query`.
set -euo pipefail
bin=${VGA_BIN:?}
wine "$bin/vgatray_win32_tests.exe" --gtest_brief=1 \
  --gtest_filter='EngineOnWine.AttachToDesktopLandsUnderTheKeyDerivedFromTheDeviceKey' </dev/null
base='HKLM\System\CurrentControlSet\Hardware Profiles\Current\System\CurrentControlSet\Control\Video'
if ! wine reg query "$base" /s /v Attach.ToDesktop </dev/null 2>/dev/null | tr -d '\r' |
    grep -Eq 'Attach\.ToDesktop[[:space:]]+REG_DWORD[[:space:]]+0x1$'; then
  echo "no Attach.ToDesktop = 1 below $base" >&2
  exit 1
fi
echo "Attach.ToDesktop = 1 found below $base"

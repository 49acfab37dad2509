#!/usr/bin/env bash
# vgatray.exe is a 32-bit Windows GUI program that needs only system DLLs and carries no code of
# the simulated Windows.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

require_built "$vgatray"
kind=$(file -b "$vgatray")
[[ $kind == "PE32 executable (GUI) Intel 80386"* ]] || fail "vgatray.exe is: $kind"

if command -v i686-w64-mingw32-objdump >/dev/null; then
  dlls=$(i686-w64-mingw32-objdump -p "$vgatray" | sed -n 's/^[[:space:]]*DLL Name: //p' |
    tr '[:upper:]' '[:lower:]' | sort | paste -sd' ' -)
  for dll in $dlls; do
    case $dll in
      advapi32.dll | comctl32.dll | gdi32.dll | kernel32.dll | msvcrt.dll | setupapi.dll | \
        shell32.dll | user32.dll) ;;
      *) fail "vgatray.exe imports $dll" ;;
    esac
  done
fi

# Type names of the simulation (namespace sim) would be in the run-time type information.
if grep -aq 'N3sim[0-9]' "$vgatray"; then
  fail "vgatray.exe contains code of the simulated Windows"
fi

echo "vgatray.exe: $kind"

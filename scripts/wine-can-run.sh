#!/usr/bin/env bash
# Exits 0 when Wine can run the 32-bit programs here; otherwise says why on stderr and exits 1.
# Wine runs Win32 programs in 32-bit Linux processes, which a kernel booted without IA-32
# emulation (ia32_emulation=off) cannot start: exec fails with "Exec format error".
set -uo pipefail

if ! command -v wine >/dev/null 2>&1; then
  echo "wine is not installed (scripts/bootstrap.sh installs it)" >&2
  exit 1
fi
if ! out=$(wine --version 2>&1 </dev/null); then
  echo "wine cannot start here: ${out##*: }" >&2
  if [ -r /lib/ld-linux.so.2 ] && ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    echo "this kernel runs no 32-bit programs (IA-32 emulation is off; boot parameter" \
      "ia32_emulation=on turns it on)" >&2
  fi
  exit 1
fi
exit 0

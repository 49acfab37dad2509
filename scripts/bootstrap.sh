#!/usr/bin/env bash
# Installs what the build and the tests need from Debian's packages. Idempotent:
# when everything is present it only checks and returns.
set -euo pipefail

packages=(cmake ninja-build g++ make googletest libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32:i386 xvfb xdotool x11-utils
  imagemagick file locales fonts-ipafont-gothic clang-format clang-tidy python3 nsis)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The Japanese user-interface test runs Wine under this locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf8$'; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi

#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks for building and testing (only missing packages).
set -euo pipefail
packages=(cmake ninja-build g++ clang make git googletest libgtest-dev libbenchmark-dev
          g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 xvfb xauth x11-utils xdotool
          imagemagick fonts-wqy-microhei fp-utils libc-bin sed python3 sigrok-cli iverilog ghdl openssl
          zlib1g-dev libz-mingw-w64-dev)
# Wine's own fonts: Marlett draws the caption buttons of the window frames Wine draws under a bare X
# server (without it they show as "0 1 r"); run.sh and the screenshot sessions put it in the prefix.
packages+=(fonts-wine)
# The 32-bit Windows build's tests run under Wine's 32-bit half, beside wine64.
packages+=(wine32:i386)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "installing: ${missing[*]}"
  if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

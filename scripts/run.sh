#!/usr/bin/env bash
# Installs what is missing, builds QV.exe and starts it under Wine (starting Xvfb when there is no
# display). Demo mode by default; --virtual [MODEL] attaches one virtual instrument (default 0xC350).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup.sh
cmake -S . -B build/win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win64 -j "$(nproc)" --target QV QvRun
if [ "${1:-}" = "--virtual" ]; then
  export QVRUN_DEVICES="${2:-0xC350}:VI000001:USB:0"
fi
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-qv}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
cd build/win64/bin
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" wine QV.exe
fi
exec wine QV.exe

#!/usr/bin/env bash
# Installs what is missing, builds the whole program (QV.exe, the virtual instrument QvRun.dll and
# the help files) and starts it under Wine, starting Xvfb when there is no display. Demo mode by
# default; --virtual [MODEL] attaches one virtual instrument (default 0xC350) that records every
# output as a VCD file in a capture folder (QV_CAPTURES, default ~/qv-captures). The Wine prefix
# (~/.wine-qv unless WINEPREFIX says otherwise) gets what the screenshot scripts set: window frames
# drawn by Wine when no window manager runs, and a CJK font linked to the caption font so that the
# Chinese titles and menus show.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
say() { echo "run.sh: $*"; }

model=
if [ "${1:-}" = "--virtual" ]; then
  model=${2:-0xC350}
fi

# Run again under Xvfb (below), the packages and the build are already done.
if [ -z "${QV_RUN_BUILT:-}" ]; then
  say "checking the packages (scripts/setup.sh installs what is missing)"
  scripts/setup.sh
  [ -f build/win64/build.ninja ] || say "first build: compiling QV.exe, QvRun.dll and the help files takes several minutes"
  mkdir -p build
  if ! cmake -S . -B build/win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
      >build/run-configure.log 2>&1; then
    say "configuring the build failed (build/run-configure.log):"
    tail -20 build/run-configure.log
    exit 1
  fi
  say "building QV.exe, QvRun.dll and the help files (enQV.chm, twQV.chm, cnQV.chm)"
  cmake --build build/win64 -j "$(nproc)" --target QV QvRun qv_help
fi

export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-qv}
export WINEDEBUG=${WINEDEBUG:--all}
# Wine's HTML engine (mshtml, which the help viewer draws its pages with) needs Wine Gecko; without
# it Wine would offer to download it at the first start, so it is switched off then.
# (A prefix holds it in system32\gecko\<version>; its plugin folder is there without it.)
gecko_installed() { [ -d /usr/share/wine/gecko ] || ls -d "$WINEPREFIX"/drive_c/windows/system32/gecko/[0-9]* >/dev/null 2>&1; }
if gecko_installed; then
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree="}
else
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
fi

if [ -z "${DISPLAY:-}" ]; then
  say "no display: starting a virtual X server (Xvfb); the program runs without a visible window"
  QV_RUN_BUILT=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

start() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    say "first start: creating the Wine prefix $WINEPREFIX (a minute or two)"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  # Window frames: without a window manager nobody draws them unless Wine does (unmanaged windows).
  local managed=Y
  if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    managed=N
  fi
  wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d "$managed" /f >/dev/null 2>&1
  # Wine's own Marlett draws the frames' caption buttons ("0 1 r" without it); this Wine does not
  # find it in its data folder, so it goes into the prefix's fonts.
  if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
    cp -n /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  fi
  # Captions and menus are drawn in Tahoma: link it to a CJK font, as Windows links its system font.
  wine reg add "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink" /v Tahoma \
    /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f >/dev/null 2>&1
  wineserver -w
  # Debian does not package Wine Gecko: without it Help opens with the contents but blank pages.
  # The same pages are plain HTML files in the source tree.
  if ! gecko_installed; then
    say "help: F1 and the Help buttons open the help, whose pages stay blank under Wine without Wine Gecko;"
    say "  the same pages: $root/help/en/1-1.htm (tw/, cn/ for Chinese) in any web browser"
  fi
  say "starting QV.exe"
  cd "$root/build/win64/bin"
  exec wine QV.exe
}

if [ -n "$model" ]; then
  captures=${QV_CAPTURES:-$HOME/qv-captures}
  mkdir -p "$captures"
  captures=$(cd "$captures" && pwd)
  # Wine's drive Z: is the root of the Linux file system.
  export QVRUN_DEVICES="$model:VI000001:USB:0:0:capture=Z:${captures//\//\\}\\"
  say "virtual instrument QV-${model#0x} attached; every output is recorded as a VCD file in"
  say "  $captures/ (capture-0001.vcd, capture-0002.vcd, ...: GTKWave, PulseView or sigrok-cli -I vcd read them)"
fi
start

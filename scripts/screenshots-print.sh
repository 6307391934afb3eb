#!/usr/bin/env bash
# Screenshots of Print under Xvfb in the three languages over the demonstration document: the
# 12039 box (Wine has no printer), the Print dialog with the bitmap targets, Clipboard Size, the
# first page exported as a BMP file with the default settings (converted to PNG) and the box that
# says where it went. Usage: scripts/screenshots-print.sh <bin dir> [out dir]
# Writes print_noprinter-<lang>.png, print-<lang>.png, clipboard_size-<lang>.png, print_bmp-<lang>.png
# and print_written-<lang>.png.
set -euo pipefail
. "$(dirname "$0")/screenshot-session.sh" print-shots 1280x800 "$@"
use_work_directory


cd "$bin"
for lang in en:1033 tw:1028 cn:2052; do
  IFS=: read -r name id <<<"$lang"
  open_demo_editor "$id" 2
  click_at $((X + 522)) $((Y + 37)) # Print
  box=$(wait_for_window "^$caption\$")
  shot "$box" "$out/print_noprinter-$name.png"
  xdotool key Return
  wait_gone "$box" || true
  dialog=$(wait_for_other_window "$main")
  shot "$dialog" "$out/print-$name.png"
  eval "$(xdotool getwindowgeometry --shell "$dialog" | sed 's/^/D/')"
  click_at $((DX + ${SIZE_X:-440})) $((DY + ${SIZE_Y:-128})) # Size
  size=$(wait_for_other_window "$main" "$dialog")
  shot "$size" "$out/clipboard_size-$name.png"
  xdotool key Escape
  sleep 0.5
  xdotool windowfocus "$dialog" key Return # OK: the save dialog asks for the file
  sleep 2
  xdotool type --delay 20 "Z:${work//\//\\}\\wd\\page-$name.BMP"
  xdotool key Return
  written=$(wait_for_window "^$caption\$")
  shot "$written" "$out/print_written-$name.png"
  xdotool windowfocus "$written" key Return
  convert "$work/wd/page-$name.BMP" "$out/print_bmp-$name.png"
  sleep 0.5
  quit_qv "$main"
done
echo "screenshots in $out"

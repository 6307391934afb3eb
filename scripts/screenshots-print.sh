#!/usr/bin/env bash
# Screenshots of Print under Xvfb in the three languages over the demonstration document: the
# 12039 box (Wine has no printer), the Print dialog with the bitmap targets, Clipboard Size, and the
# first page exported as a BMP file (converted to PNG). Usage: scripts/screenshots-print.sh <bin dir> [out dir]
# Writes print_noprinter-<lang>.png, print-<lang>.png, clipboard_size-<lang>.png and print_bmp-en.png.
set -euo pipefail
. "$(dirname "$0")/screenshot-session.sh" print-shots 1280x800 "$@"
use_work_directory


cd "$bin"
for lang in en:1033:Print:"Clipboard Size" tw:1028:列印:剪貼簿大小 cn:2052:打印:剪贴板大小; do
  IFS=: read -r name id title sizeTitle <<<"$lang"
  open_demo_editor "$id" 2
  click_at $((X + 522)) $((Y + 37)) # Print
  box=$(wait_for_window "^$caption\$")
  shot "$box" "$out/print_noprinter-$name.png"
  xdotool key Return
  dialog=$(wait_for_window "^$title\$")
  shot "$dialog" "$out/print-$name.png"
  eval "$(xdotool getwindowgeometry --shell "$dialog" | sed 's/^/D/')"
  click_at $((DX + ${SIZE_X:-440})) $((DY + ${SIZE_Y:-128})) # Size
  size=$(wait_for_window "^${sizeTitle//\"/}\$")
  shot "$size" "$out/clipboard_size-$name.png"
  xdotool key Escape
  sleep 0.5
  if [ "$name" = en ]; then
    xdotool windowfocus "$dialog" key Return # OK: the save dialog asks for the file
    sleep 2
    xdotool type --delay 20 "Z:${work//\//\\}\\wd\\page.BMP"
    xdotool key Return
    sleep 3
    convert "$work/wd/page.BMP" "$out/print_bmp-en.png"
    ls "$work/wd" | grep -i bmp
  else
    xdotool windowfocus "$dialog" key Escape
  fi
  sleep 0.5
  quit_qv "$main"
done
echo "screenshots in $out"

#!/usr/bin/env bash
# Screenshots of the Printer(SPP) and Binary File to Waveform tools in the three languages,
# opened from the launcher under Xvfb with a virtual 0xC350 instrument.
# Usage: scripts/screenshots-printer-binary.sh <bin dir> [out dir]
# Writes printer_<lang>.png and binary_file_<lang>.png (default out dir: docs/screenshots).
set -euo pipefail
. "$(dirname "$0")/screenshot-session.sh" printer-binary-shots 1024x768 "$@"
system='HKLM\Software\Tavro\QV\System\7'

cd "$bin"
for lang in en:1033 tw:1028 cn:2052; do
  name=${lang%%:*}
  start_launcher "${lang##*:}"
  # Launcher items at their places in a 720 x 530 window (launcher-<lang>.png).
  for tool in printer:350:45 binary_file:575:45; do
    IFS=: read -r shot_name x y <<<"$tool"
    main=$(wait_for_window "^$caption")
    sleep 1
    eval "$(xdotool getwindowgeometry --shell "$main")"
    xdotool mousemove $((X + x)) $((Y + y)) click --repeat 2 --delay 80 1
    sleep 2
    shot "$main" "$out/${shot_name}_$name.png"
    xdotool windowfocus "$main" key ctrl+q
    sleep 1
  done
  xdotool windowfocus "$main" key ctrl+q
  wait "$qv_pid" || true
  qv_pid=
done
echo "screenshots in $out"

#!/usr/bin/env bash
# Screenshots of the SMBus and PMBus tools in the three languages, opened from the launcher under
# Xvfb with a virtual 0xC350 instrument, a few packet lines added with the dialogs' own buttons.
# Usage: scripts/screenshots-smbus.sh <bin dir> [out dir]
# Writes smbus_<lang>.png and pmbus_<lang>.png (default out dir: docs/screenshots).
set -euo pipefail
. "$(dirname "$0")/screenshot-session.sh" smbus-shots 1024x768 "$@"
system='HKLM\Software\Tavro\QV\System\7'

cd "$bin"
for lang in en:1033 tw:1028 cn:2052; do
  name=${lang%%:*}
  # Launcher items at their places in a 720 x 530 window (launcher-<lang>.png); the button that
  # adds a line (Add List, Ok) at its place in the opened dialog. QV.exe is ended after each shot:
  # with the focus in a tool's dialog the program's Ctrl+Q does not reach the main window.
  for tool in smbus:275:195 pmbus:350:195; do
    IFS=: read -r shot_name x y <<<"$tool"
    start_launcher "${lang##*:}"
    main=$(wait_for_window "^$caption")
    sleep 2
    eval "$(xdotool getwindowgeometry --shell "$main")"
    xdotool mousemove $((X + x)) $((Y + y)) click --repeat 2 --delay 80 1
    sleep 2
    eval "$(xdotool getwindowgeometry --shell "$main")"
    for _ in 1 2 3; do
      xdotool mousemove $((X + 560)) $((Y + 138)) click 1
      sleep 0.5
    done
    shot "$main" "$out/${shot_name}_$name.png"
    kill "$qv_pid" 2>/dev/null || true
    wait "$qv_pid" 2>/dev/null || true
    qv_pid=
    sleep 2
  done
done
echo "screenshots in $out"

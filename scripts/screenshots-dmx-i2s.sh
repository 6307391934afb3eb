#!/usr/bin/env bash
# Screenshots of the I2S and DMX512 tools in the three languages, opened from the launcher under Xvfb with a virtual 0xC350 instrument. The language comes from
# the session's locale (a fresh prefix has no settings; its first start greets with a box that is
# answered). Usage: scripts/screenshots-bus.sh <bin dir> [out dir]
# Writes i2s_<lang>.png and dmx512_<lang>.png (default out dir: docs/screenshots).
set -euo pipefail
. "$(dirname "$0")/screenshot-session.sh" dmx-i2s-shots 1024x768 "$@"

cd "$bin"
for lang in en:en_US.UTF-8 tw:zh_TW.UTF-8 cn:zh_CN.UTF-8; do
  name=${lang%%:*}
  # Launcher items at their places in the 640 x 480 first-start window.
  for tool in i2s:200:200 dmx512:125:275; do
    IFS=: read -r shot_name x y <<<"$tool"
    LC_ALL=${lang#*:} LANG=${lang#*:} QVRUN_DEVICES="0xC350:VI000001:USB:7" wine QV.exe &
    qv_pid=$!
    box=$(wait_for_window "^$caption") || true
    sleep 2
    xdotool windowfocus "$box" key Return || true # the first start's greeting
    sleep 2
    main=$(wait_for_window "^$caption")
    eval "$(xdotool getwindowgeometry --shell "$main")"
    xdotool mousemove $((X + x)) $((Y + y)) click --repeat 2 --delay 80 1
    sleep 2
    shot "$main" "$out/${shot_name}_$name.png"
    kill "$qv_pid" 2>/dev/null || true
    wait "$qv_pid" 2>/dev/null || true
    qv_pid=
    sleep 2
  done
done
echo "screenshots in $out"

#!/usr/bin/env bash
# Screenshots of the USB 1.1 tool in the three languages, opened from the launcher under Xvfb
# with a virtual 0xC350 instrument: the tool with the sample packet list loaded from its menu,
# and the Edit Packet dialog opened on the selected DATA0 row (Modify Packet). The language comes
# from the session's locale. Usage: scripts/screenshots-usb.sh <bin dir> [out dir]
# Writes usb_<lang>.png and usb_packet_<lang>.png (default out dir: docs/screenshots).
set -euo pipefail
. "$(dirname "$0")/screenshot-session.sh" usb-shots 1024x768 "$@"
launcher_x=${USB_LAUNCHER_X:-350}
launcher_y=${USB_LAUNCHER_Y:-200}

cd "$bin"
for lang in en:en_US.UTF-8 tw:zh_TW.UTF-8 cn:zh_CN.UTF-8; do
  name=${lang%%:*}
  LC_ALL=${lang#*:} LANG=${lang#*:} QVRUN_DEVICES="0xC350:VI000001:USB:7" wine QV.exe &
  qv_pid=$!
  box=$(wait_for_window "^$caption") || true
  sleep 2
  xdotool windowfocus "$box" key Return || true # the first start's greeting
  sleep 2
  main=$(wait_for_window "^$caption")
  eval "$(xdotool getwindowgeometry --shell "$main")"
  xdotool mousemove $((X + launcher_x)) $((Y + launcher_y)) click --repeat 2 --delay 80 1
  sleep 2
  eval "$(xdotool getwindowgeometry --shell "$main")"
  # The packet menu in the list (right click), its Sample item (the second without a selection).
  xdotool mousemove $((X + 100)) $((Y + 150)) click 3
  sleep 1
  xdotool key Down Down Return
  sleep 2
  # The third row (DATA0) selected, then Modify Packet (the fourth item with a selection).
  xdotool mousemove $((X + 100)) $((Y + 108)) click 1
  sleep 1
  shot "$main" "$out/usb_$name.png"
  xdotool mousemove $((X + 100)) $((Y + 108)) click 3
  sleep 1
  xdotool key Down Down Down Down Return
  sleep 2
  packet=$(wait_for_window "Edit Packet|編輯封包|编辑数据包") || true
  shot "${packet:-$main}" "$out/usb_packet_$name.png"
  xdotool key Escape || true
  sleep 1
  kill "$qv_pid" 2>/dev/null || true
  wait "$qv_pid" 2>/dev/null || true
  qv_pid=
  sleep 2
done
echo "screenshots in $out"

#!/usr/bin/env bash
# Screenshots of the launcher and of Properties in the three languages, taken under Xvfb with a
# virtual 0xC350 instrument (two level bars). Usage: scripts/screenshots.sh <bin dir> [out dir]
# Writes launcher-<lang>.png, about-<lang>.png and properties-<lang>.png (default out dir: docs/screenshots).
set -euo pipefail
. "$(dirname "$0")/screenshot-session.sh" shots 1024x768 "$@"
system='HKLM\Software\Tavro\QV\System\7'


cd "$bin"
for lang in en:1033 tw:1028 cn:2052; do
  name=${lang%%:*}
  id=${lang##*:}
  wine reg add "$system" /v 'OutLevel 0' /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wine reg add "$system" /v 'OutLevel 1' /t REG_DWORD /d 255 /f >/dev/null 2>&1
  start_launcher "$id"
  main=$(wait_for_window "^$caption\$")
  shot "$main" "$out/launcher-$name.png"
  # A double click on empty launcher space opens About.
  eval "$(xdotool getwindowgeometry --shell "$main")"
  xdotool mousemove $((X + 400)) $((Y + 420)) click --repeat 2 --delay 80 1
  about=$(wait_for_window "^(About|關於|关于)\$")
  shot "$about" "$out/about-$name.png"
  xdotool mousemove $((X + 400)) $((Y + 420))
  xdotool windowfocus "$about" key Return
  sleep 0.5
  # Properties is the launcher's last item: double-click it where the screenshot shows it.
  geometry=$(xdotool getwindowgeometry "$main")
  x=$(awk -F'[ ,]+' '/Position/ {print $3}' <<<"$geometry")
  y=$(awk -F'[ ,]+' '/Position/ {print $4}' <<<"$geometry")
  xdotool mousemove $((x + ${PROPERTIES_X:-650})) $((y + ${PROPERTIES_Y:-193})) click --repeat 2 --delay 80 1
  dialog=$(wait_for_window "^(Properties|內容|属性)\$")
  shot "$dialog" "$out/properties-$name.png"
  xdotool windowfocus "$dialog" key Escape
  sleep 0.5
  xdotool windowfocus "$main" key ctrl+q
  wait "$qv_pid" || true
  qv_pid=
done
echo "screenshots in $out"

#!/usr/bin/env bash
# Screenshots of Batch Output in the three languages, opened from the launcher under Xvfb with a
# virtual 0xC350 instrument. Usage: scripts/screenshots-batch.sh <bin dir> [out dir]
# Writes batch_<lang>.png (default out dir: docs/screenshots).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "${1:-$root/build/win64/bin}" && pwd)
out=$(mkdir -p "${2:-$root/docs/screenshots}" && cd "${2:-$root/docs/screenshots}" && pwd)
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$bin" "$out"
fi
. "$root/scripts/wine-session.sh" batch-shots
link_cjk_caption_font
system='HKLM\Software\Tavro\QV\System\7'

cd "$bin"
for lang in en:1033 tw:1028 cn:2052; do
  name=${lang%%:*}
  wine reg add "$system" /v Language /t REG_DWORD /d "${lang##*:}" /f >/dev/null 2>&1
  for value in 'Main Window Left:40' 'Main Window Top:30' 'Main Window Right:760' 'Main Window Bottom:560' 'Max Flag:0'; do
    wine reg add "$system" /v "${value%%:*}" /t REG_DWORD /d "${value##*:}" /f >/dev/null 2>&1
  done
  QVRUN_DEVICES="0xC350:VI000001:USB:7" wine QV.exe &
  qv_pid=$!
  # The Batch Output item of the launcher in a 720 x 530 window (launcher-<lang>.png).
  main=$(wait_for_window "^$caption")
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$main")"
  xdotool mousemove $((X + 200)) $((Y + 120)) click --repeat 2 --delay 80 1
  sleep 2
  shot "$main" "$out/batch_$name.png"
  xdotool windowfocus "$main" key ctrl+q
  sleep 1
  xdotool windowfocus "$main" key ctrl+q
  wait "$qv_pid" || true
  qv_pid=
done
echo "screenshots in $out"

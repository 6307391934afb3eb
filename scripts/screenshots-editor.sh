#!/usr/bin/env bash
# Screenshots of the Wave Editor under Xvfb in the three languages and at three zooms, over the
# demonstration document (scripts/demo_waveform.py): one-bit rows, a bus of every radix, commands,
# the six cursors and a marked area. Usage: scripts/screenshots-editor.sh <bin dir> [out dir]
# Writes editor-<lang>-<zoom>.png (zoom: in, one, out), sample_wizard-<lang>.png,
# label_setting-<lang>.png and label_name-<lang>.png (default out dir: docs/screenshots).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "${1:-$root/build/win64/bin}" && pwd)
out=$(mkdir -p "${2:-$root/docs/screenshots}" && cd "${2:-$root/docs/screenshots}" && pwd)
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x800x24" bash "$0" "$bin" "$out"
fi
. "$root/scripts/wine-session.sh" editor-shots
link_cjk_caption_font
use_work_directory

# A click that places a cursor: a fast pointer jump starts drag mode for the cursor change
# interval (1 s), so the pointer rests a little longer before the button goes down.
click_at() {
  xdotool mousemove "$1" "$2"
  sleep 1.3
  xdotool click 1
  sleep 0.3
}

cd "$bin"
for lang in en:1033 tw:1028 cn:2052; do
  name=${lang%%:*}
  python3 "$root/scripts/demo_waveform.py" "$work/wd"
  wine reg add "$system" /v Language /t REG_DWORD /d "${lang##*:}" /f >/dev/null 2>&1
  for value in 'Main Window Left:0' 'Main Window Top:0' 'Main Window Right:1100' 'Main Window Bottom:560' \
               'Max Flag:0' 'iZoomIn:2' 'iZoomOut:0' 'iStartTime:0' 'iStartLbl:0'; do
    wine reg add "$editor" /v "${value%%:*}" /t REG_DWORD /d "${value##*:}" /f >/dev/null 2>&1
  done
  QVRUN_DEVICES="0xC350:VI000001:USB:7" wine QV.exe &
  qv_pid=$!
  main=$(wait_for_window "^$caption")
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$main")"
  xdotool mousemove $((X + 40)) $((Y + 40)) click --repeat 2 --delay 80 1
  sleep 2
  eval "$(xdotool getwindowgeometry --shell "$main")"
  # Cursors T and A-E on different rows, then T active again.
  for placed in t:360:140 a:440:165 b:520:190 c:600:235 d:690:260 e:780:285; do
    IFS=: read -r key x y <<<"$placed"
    xdotool windowfocus "$main" key "$key"
    click_at $((X + x)) $((Y + y))
  done
  xdotool windowfocus "$main" key t
  # A marked area over DATA .. BITS.
  xdotool mousemove $((X + 830)) $((Y + 188))
  sleep 1.3
  xdotool mousedown 1
  for step in 1 2 3 4 5 6 7 8; do xdotool mousemove $((X + 830 + step * 12)) $((Y + 188 + step * 9)); sleep 0.05; done
  xdotool mouseup 1
  sleep 0.5
  shot "$main" "$out/editor-$name-in.png"
  xdotool windowfocus "$main" key KP_Subtract KP_Subtract
  sleep 0.5
  shot "$main" "$out/editor-$name-one.png"
  xdotool windowfocus "$main" key KP_Subtract KP_Subtract KP_Subtract
  sleep 0.5
  shot "$main" "$out/editor-$name-out.png"
  # The Sample Wizard from its toolbar button; Label Setting and Modify Label Name, the last two
  # entries of the label column's menu, for the DATA bus.
  click_at $((X + 548)) $((Y + 37))
  shot "$main" "$out/sample_wizard-$name.png"
  xdotool key Escape
  click_at $((X + 40)) $((Y + 185))
  xdotool click 3
  sleep 0.8
  xdotool key Up Return
  shot "$main" "$out/label_setting-$name.png"
  xdotool key Escape
  sleep 0.5
  xdotool click 3
  sleep 0.8
  xdotool key Up Up Return
  shot "$main" "$out/label_name-$name.png"
  xdotool key Escape
  sleep 0.5
  xdotool windowfocus "$main" key ctrl+q
  sleep 1
  xdotool windowfocus "$main" key ctrl+q
  wait "$qv_pid" || true
  qv_pid=
done
echo "screenshots in $out"

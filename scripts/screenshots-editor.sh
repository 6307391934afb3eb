#!/usr/bin/env bash
# Screenshots of the Wave Editor under Xvfb in the three languages and at three zooms, over the
# demonstration document (scripts/demo_waveform.py): one-bit rows, a bus of every radix, commands,
# the six cursors and a marked area. Usage: scripts/screenshots-editor.sh <bin dir> [out dir]
# Writes editor-<lang>-<zoom>.png (zoom: in, one, out), sample_wizard-<lang>.png,
# label_setting-<lang>.png and label_name-<lang>.png (default out dir: docs/screenshots).
set -euo pipefail
. "$(dirname "$0")/screenshot-session.sh" editor-shots 1280x800 "$@"
use_work_directory


cd "$bin"
for lang in en:1033 tw:1028 cn:2052; do
  name=${lang%%:*}
  open_demo_editor "${lang##*:}" 2
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
  quit_qv "$main"
done
echo "screenshots in $out"

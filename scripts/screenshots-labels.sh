#!/usr/bin/env bash
# Screenshots of the Wave Editor's Add Label(s) and Add Bus Label dialogs under Xvfb in the three
# languages, over the demonstration document (scripts/demo_waveform.py). Add Label(s) opens with
# Insert after a click on a label name; Add Bus Label from the label column's context menu.
# Usage: scripts/screenshots-labels.sh <bin dir> [out dir]
# Writes add_label_<lang>.png and bus_label_<lang>.png (default out dir: docs/screenshots).
set -euo pipefail
. "$(dirname "$0")/screenshot-session.sh" label-shots 1280x800 "$@"
use_work_directory

cd "$bin"
for lang in en:1033:Add.Label:Add.Bus.Label tw:1028:新增標籤:新增匯流排標籤 cn:2052:添加标签:添加总线标签; do
  IFS=: read -r name id add_caption bus_caption <<<"$lang"
  open_demo_editor "$id" 0
  # A click on the name of the ENABLE row gives the label column the focus; Insert adds a label.
  click_at $((X + ${NAME_X:-50})) $((Y + ${NAME_Y:-137}))
  xdotool windowfocus "$main" key Insert
  dialog=$(wait_for_window "^$add_caption")
  shot "$dialog" "$out/add_label_$name.png"
  xdotool windowfocus "$dialog" key Escape
  sleep 0.5
  # A right click below the rows: the menu for the selection; Add Bus Label is its fourth line.
  click_at $((X + ${NAME_X:-50})) $((Y + ${EMPTY_Y:-400})) 3
  [ -n "${MENU_SHOT:-}" ] && import -window root "$MENU_SHOT-$name.png"
  click_at $((X + ${NAME_X:-50} + ${MENU_DX:-30})) $((Y + ${EMPTY_Y:-400} + ${MENU_DY:-50}))
  dialog=$(wait_for_window "^$bus_caption")
  # A name and "All On": the free channels 33 .. 49 in the order, 49 the most significant.
  xdotool windowfocus "$dialog" type ADDR
  eval "$(xdotool getwindowgeometry --shell "$dialog")"
  click_at $((X + ${ALL_ON_X:-70})) $((Y + ${ALL_ON_Y:-278}))
  shot "$dialog" "$out/bus_label_$name.png"
  xdotool windowfocus "$dialog" key Escape
  sleep 0.5
  quit_qv "$main"
done
echo "screenshots in $out"

#!/usr/bin/env bash
# Screenshots of Batch Output in the three languages, opened from the launcher under Xvfb with a
# virtual 0xC350 instrument. Usage: scripts/screenshots-batch.sh <bin dir> [out dir]
# Writes batch_<lang>.png (default out dir: docs/screenshots).
set -euo pipefail
. "$(dirname "$0")/screenshot-session.sh" batch-shots 1024x768 "$@"
system='HKLM\Software\Tavro\QV\System\7'

cd "$bin"
for lang in en:1033 tw:1028 cn:2052; do
  name=${lang%%:*}
  start_launcher "${lang##*:}"
  # The Batch Output item of the launcher in a 720 x 530 window (launcher-<lang>.png).
  main=$(wait_for_window "^$caption")
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$main")"
  xdotool mousemove $((X + 200)) $((Y + 120)) click --repeat 2 --delay 80 1
  sleep 2
  shot "$main" "$out/batch_$name.png"
  quit_qv "$main"
done
echo "screenshots in $out"

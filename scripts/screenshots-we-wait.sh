#!/usr/bin/env bash
# Screenshots of the Wave Editor while its output waits at a WE, under Xvfb in the three languages:
# the demonstration document with a WE on sample 30, Run on a virtual instrument, and the status
# bar naming the key to press. Usage: scripts/screenshots-we-wait.sh <bin dir> [out dir]
# Writes editor_we_wait-<lang>.png.
set -euo pipefail
. "$(dirname "$0")/screenshot-session.sh" we-wait 1280x800 "$@"
use_work_directory
demo_arguments="4096 30"

cd "$bin"
for lang in en:1033 tw:1028 cn:2052; do
  IFS=: read -r name id <<<"$lang"
  open_demo_editor "$id" 2
  click_at $((X + 398)) $((Y + 37)) # Run
  sleep 4
  shot "$main" "$out/editor_we_wait-$name.png"
  click_at $((X + 427)) $((Y + 37)) # Stop Run
  sleep 1
  quit_qv "$main"
done
echo "screenshots in $out"

#!/usr/bin/env bash
# Screenshots of what the Wave Editor now tells a newcomer, under Xvfb in the three languages over
# the demonstration document: the status bar with the time from cursor A to cursor B, Add Label(s)
# opened with the typing in its name field, and System Parameter Setting refusing a frequency that
# is not a number. Usage: scripts/screenshots-editor-checks.sh <bin dir> [out dir]
# Writes editor_status-<lang>.png, add_label_focus-<lang>.png and frequency_refused-<lang>.png.
set -euo pipefail
. "$(dirname "$0")/screenshot-session.sh" editor-checks 1280x800 "$@"
use_work_directory

cd "$bin"
for lang in en:1033:en_US tw:1028:zh_TW cn:2052:zh_CN; do
  IFS=: read -r name id locale <<<"$lang"
  # A first start takes the system's language (and greets the user in it).
  LC_ALL=$locale.UTF-8 LANG=$locale.UTF-8 open_demo_editor "$id" 2
  if xdotool search --onlyvisible --name "^$caption\$" >/dev/null 2>&1; then
    # The first start greets the user in a box first: answered, then the editor opened.
    xdotool key Return
    sleep 2
    for window in $(xdotool search --onlyvisible --name "^$caption"); do
      [ "$(xdotool getwindowgeometry "$window" | awk -F'[ x]+' '/Geometry/ {print $3}')" -gt 500 ] && main=$window
    done
    eval "$(xdotool getwindowgeometry --shell "$main")"
    xdotool mousemove $((X + 40)) $((Y + 40)) click --repeat 2 --delay 80 1
    sleep 2
    eval "$(xdotool getwindowgeometry --shell "$main")"
  fi
  # Cursors A and B ten samples apart (a sample is four pixels at this zoom).
  xdotool windowfocus "$main" key a
  click_at $((X + 440)) $((Y + 165))
  xdotool windowfocus "$main" key b
  click_at $((X + 480)) $((Y + 190))
  shot "$main" "$out/editor_status-$name.png"
  # Insert on the label column opens Add Label(s); typing goes into the name.
  click_at $((X + 50)) $((Y + 90))
  xdotool windowfocus "$main" key Insert
  dialog=$(wait_for_other_window "$main")
  xdotool windowfocus "$dialog" type STROBE
  shot "$dialog" "$out/add_label_focus-$name.png"
  xdotool windowfocus "$dialog" key Escape
  sleep 0.5
  # Set Parameter (toolbar), a frequency of "abc", OK.
  click_at $((X + 453)) $((Y + 37))
  dialog=$(wait_for_other_window "$main")
  eval "$(xdotool getwindowgeometry --shell "$dialog")"
  xdotool mousemove $((X + 200)) $((Y + 90)) click 1
  xdotool key End shift+Home
  xdotool type abc
  xdotool key Return
  sleep 1
  box=$(xdotool search --onlyvisible --name "^$caption\$" | tail -1)
  shot "$box" "$out/frequency_refused-$name.png"
  xdotool windowfocus "$box" key Return
  sleep 0.5
  xdotool windowfocus "$dialog" key Escape
  sleep 0.5
  eval "$(xdotool getwindowgeometry --shell "$main")"
  quit_qv "$main"
done
echo "screenshots in $out"

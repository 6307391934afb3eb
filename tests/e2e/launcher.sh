#!/usr/bin/env bash
# Whole-program launcher under Wine with a virtual 0xC350 instrument: a double click on empty
# launcher space opens About; a double click on the last item opens Properties; choosing another
# language there and OK relabels everything at once (Properties and About then open in it), and
# the language is saved at exit. Windows are found with xdotool; $1 is the bin directory.
set -euo pipefail
bin=$(cd "$1" && pwd)
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi

. "$(dirname "$0")/../../scripts/wine-session.sh" e2e-launcher
system='HKLM\Software\Tavro\QV\System\7'

double_click() { # main window id, x, y inside it
  eval "$(xdotool getwindowgeometry --shell "$1")"
  xdotool mousemove $((X + $2)) $((Y + $3)) click --repeat 2 --delay 80 1
}

# A known layout: English, the launcher in a 720 x 530 window (the last item, Properties, sits at
# the end of the third row).
wine reg add "$system" /v Language /t REG_DWORD /d 1033 /f >/dev/null 2>&1
for value in 'Main Window Left:40' 'Main Window Top:30' 'Main Window Right:760' 'Main Window Bottom:560' 'Max Flag:0'; do
  wine reg add "$system" /v "${value%%:*}" /t REG_DWORD /d "${value##*:}" /f >/dev/null 2>&1
done
properties_x=650
properties_y=193

cd "$bin"
QVRUN_DEVICES="0xC350:VI000001:USB:7" wine QV.exe &
qv_pid=$!
main=$(wait_for_window "^$caption\$") || fail "no main window"

double_click "$main" 400 420
about=$(wait_for_window "^About\$") || fail "a double click on empty space did not open About"
xdotool windowfocus "$about" key Return
wait_gone "$about"
echo "empty space: About"

double_click "$main" $properties_x $properties_y
dialog=$(wait_for_window "^Properties\$") || fail "the Properties item did not open Properties"
# The language list (Traditional Chinese, Simplified Chinese, English): open it, pick the second
# entry, press OK; positions relative to the dialog.
eval "$(xdotool getwindowgeometry --shell "$dialog")"
xdotool mousemove $((X + 371)) $((Y + 61)) click 1
sleep 0.5
xdotool mousemove $((X + 110)) $((Y + 94)) click 1
sleep 0.3
xdotool mousemove $((X + 154)) $((Y + 308)) click 1
wait_gone "$dialog"
echo "Properties: Simplified Chinese chosen"

double_click "$main" $properties_x $properties_y
dialog=$(wait_for_window "^属性\$") || fail "Properties did not open in the new language"
xdotool windowfocus "$dialog" key Escape
wait_gone "$dialog"
double_click "$main" 400 420
about=$(wait_for_window "^关于\$") || fail "About did not open in the new language"
xdotool windowfocus "$about" key Return
wait_gone "$about"
echo "after OK: Properties and About in Simplified Chinese"

for _ in $(seq 50); do
  xdotool windowfocus "$main" key --clearmodifiers ctrl+q 2>/dev/null || true
  sleep 0.2
  kill -0 "$qv_pid" 2>/dev/null || break
done
wait "$qv_pid" || fail "QV.exe exit status $?"
qv_pid=
[ "$(reg_value "$system" Language)" = 0x804 ] || fail "language not saved as 2052"
echo "language saved at exit"

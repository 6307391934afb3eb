#!/usr/bin/env bash
# Whole-program start-up under Wine: QV.exe in demo mode (welcome on the first run, then "Enter
# DEMO mode.(No QV)"), a clean exit through Ctrl+Q, and the System values in the registry
# afterwards; then with one virtual instrument (QVRUN_DEVICES): no question, no demo message, and
# the model code read from the instrument, seen in the stored output level it corrects; and without
# QvRun.dll: the loader's message, then demo mode; two instruments: Select Device waits (Cancel
# ends the program, the second line opens the second instrument with its own settings key); and an
# instrument unplugged while the program runs: the countdown, then the program closes itself.
# Message boxes are recognised through QV_MESSAGE_LOG (each box appends its string id to that file)
# and answered with the Return key; windows are found with xdotool. $1 is the bin directory.
set -euo pipefail
bin=$(cd "$1" && pwd)
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

. "$(dirname "$0")/../../scripts/wine-session.sh" e2e-startup
log=$work/messages.log
export QV_MESSAGE_LOG=$(winepath -w "$log")

# Waits up to $2 seconds for the message log to hold $1 lines.
wait_for_lines() {
  for _ in $(seq $(( $2 * 10 ))); do
    [ -f "$log" ] && [ "$(wc -l <"$log")" -ge "$1" ] && return 0
    sleep 0.1
  done
  fail "expected $1 message(s) within $2 s"
}
# Presses Return in the window named $1 until it is gone.
answer_box() {
  local id
  id=$(wait_for_window "^$1\$") || fail "no window '$1'"
  for _ in $(seq 50); do
    xdotool windowfocus "$id" 2>/dev/null || true
    xdotool key --clearmodifiers Return 2>/dev/null || true
    sleep 0.2
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | grep -qx "$id" || return 0
  done
  fail "window '$1' did not close"
}
# Ctrl+Q in the main window, then waits for QV.exe to end; prints its exit status.
quit_main_window() {
  local id
  id=$(wait_for_window "^$caption\$") || fail "no main window"
  for _ in $(seq 50); do
    xdotool windowfocus "$id" 2>/dev/null || true
    xdotool key --clearmodifiers ctrl+q 2>/dev/null || true
    for _ in $(seq 5); do
      kill -0 "$qv_pid" 2>/dev/null || { wait "$qv_pid"; return $?; }
      sleep 0.1
    done
  done
  fail "QV.exe did not end after Ctrl+Q"
}

# Expects the $1-th message box (within $3 s) to show string $2 and answers it.
expect_message() {
  wait_for_lines "$1" "$3"
  [ "$(sed -n "$1p" "$log" | tr -d "\r")" = "$2" ] || fail "$4"
  answer_box "$caption"
}
# Ctrl+Q and a clean exit of the QV.exe started last; $1 says which run.
quit_cleanly() {
  local status=0
  quit_main_window || status=$?
  qv_pid=
  [ "$status" = 0 ] || fail "QV.exe exit status $status $1"
}

cd "$bin"
system0='HKLM\Software\Tavro\QV\System\0'

# ---- demo mode, first run -------------------------------------------------------------------
: >"$log"
QVRUN_DEVICES= wine QV.exe &
qv_pid=$!
expect_message 1 12034 40 "first message is not the welcome (12034)"
expect_message 2 12033 20 "second message is not the demo-mode message (12033)"
quit_cleanly "in demo mode"
[ "$(wc -l <"$log")" = 2 ] || fail "unexpected messages in demo mode"

[ "$(reg_value "$system0" 'OutLevel 0')" = 0x20 ] || fail "OutLevel 0 after the first run"
[ "$(reg_value "$system0" 'OutLevel 1')" = 0x20 ] || fail "OutLevel 1 after the first run"
[ "$(reg_value "$system0" OnlineUpdate)" = 0x1 ] || fail "OnlineUpdate after the first run"
[ -n "$(reg_value "$system0" Language)" ] || fail "Language not saved"
[ -n "$(reg_value "$system0" 'Work Directory')" ] || fail "Work Directory not saved"
for value in 'Main Window Left' 'Main Window Top' 'Main Window Right' 'Main Window Bottom' 'Max Flag'; do
  [ -n "$(reg_value "$system0" "$value")" ] || fail "$value not saved"
done
echo "demo mode: welcome, 12033, clean exit, System values saved"

# ---- one virtual instrument -------------------------------------------------------------------
# A C-set model corrects a stored level of 300 to 32; demo mode would keep 300.
system7='HKLM\Software\Tavro\QV\System\7'
wine reg add "$system7" /v 'OutLevel 0' /t REG_DWORD /d 300 /f >/dev/null 2>&1
: >"$log"
QVRUN_DEVICES="0xC020:VI000001:USB:7" wine QV.exe &
qv_pid=$!
quit_cleanly "with a virtual instrument"
[ ! -s "$log" ] || fail "messages shown with a virtual instrument"
[ "$(reg_value "$system7" 'OutLevel 0')" = 0x20 ] || fail "stored level not corrected by model 0xC020"
echo "virtual instrument: no question, model code read, level 300 saved as 32"

# ---- two virtual instruments: Select Device waits -----------------------------------------------
two="0xC020:VI000001:USB:7;0xB316:VI000002:USB:9"
: >"$log"
QVRUN_DEVICES="$two" wine QV.exe &
qv_pid=$!
id=$(wait_for_window "^Select Device\$") || fail "Select Device did not wait with two instruments"
xdotool windowfocus "$id" 2>/dev/null || true
xdotool key --clearmodifiers Escape
for _ in $(seq 100); do kill -0 "$qv_pid" 2>/dev/null || break; sleep 0.1; done
status=0
wait "$qv_pid" || status=$?
qv_pid=
[ "$status" = 0 ] || fail "QV.exe exit status $status after Cancel in Select Device"
[ ! -s "$log" ] || fail "messages shown after Cancel in Select Device"
system9='HKLM\Software\Tavro\QV\System\9'
[ -z "$(reg_value "$system9" OnlineUpdate)" ] || fail "settings written after Cancel"
echo "two instruments, Cancel: the program ends before any window"

: >"$log"
QVRUN_DEVICES="$two" wine QV.exe &
qv_pid=$!
id=$(wait_for_window "^Select Device\$") || fail "Select Device did not wait with two instruments"
xdotool windowfocus "$id" 2>/dev/null || true
xdotool key --clearmodifiers Down Return
expect_message 1 12034 20 "no welcome for the second instrument's new key"
quit_cleanly "with the second of two instruments"
# First run of that key: level 32, which the 16-channel model 0xB316 corrects to 0.
[ "$(reg_value "$system9" 'OutLevel 0')" = 0x0 ] || fail "the second instrument's settings not saved under System\\9"
echo "two instruments, second chosen: its own settings key"

# ---- the instrument is unplugged while the program runs ----------------------------------------
# The countdown dialog runs its 8 seconds and the program closes itself, saving its settings.
wine reg delete "$system7" /v 'OutLevel 0' /f >/dev/null 2>&1
: >"$log"
started=$(date +%s)
QVRUN_DEVICES="0xC020:VI000001:USB:7:0:unplug=1500" wine QV.exe &
qv_pid=$!
wait_for_window "^$caption\$" >/dev/null || fail "no main window before the unplug"
# The countdown shows as a second window with the program's caption.
countdown_seen=0
for _ in $(seq 300); do
  kill -0 "$qv_pid" 2>/dev/null || break
  [ "$(xdotool search --onlyvisible --name "^$caption\$" 2>/dev/null | wc -l)" -ge 2 ] && countdown_seen=1
  sleep 0.1
done
kill -0 "$qv_pid" 2>/dev/null && fail "QV.exe still runs 30 s after the unplug"
status=0
wait "$qv_pid" || status=$?
qv_pid=
[ "$status" = 0 ] || fail "QV.exe exit status $status after the unplug"
elapsed=$(( $(date +%s) - started ))
[ "$elapsed" -ge 9 ] || fail "closed after $elapsed s, before the 8 s countdown ran out"
[ "$countdown_seen" = 1 ] || fail "no countdown window after the unplug"
[ ! -s "$log" ] || fail "messages shown around the unplug"
[ "$(reg_value "$system7" 'OutLevel 0')" = 0x0 ] || fail "settings not saved after the unplug"
echo "unplugged: countdown ran out after $elapsed s, program closed and saved"

# ---- no QvRun.dll next to the program ---------------------------------------------------------
mkdir "$work/nodll"
cp "$bin/QV.exe" "$work/nodll/"
cd "$work/nodll"
: >"$log"
wine QV.exe &
qv_pid=$!
expect_message 1 12260 40 "first message is not the missing-driver message (12260)"
expect_message 2 12033 20 "no demo-mode message after the missing driver"
quit_cleanly "without QvRun.dll"
echo "missing QvRun.dll: its message, then demo mode"

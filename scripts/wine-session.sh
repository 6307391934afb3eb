# Sourced by the whole-program tests and the screenshot script: a throw-away Wine prefix in a work
# folder removed at exit (with the QV.exe started as $qv_pid killed), quiet Wine, unmanaged windows
# (no window manager runs under Xvfb), and the helpers they share for finding windows and reading
# the registry. Call as: . scripts/wine-session.sh <name>; sets $work and $caption.
work=$(mktemp -d "/tmp/qv-${1:-session}.XXXXXX")
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
qv_pid=
log=
caption="Doveravevero Zodo Zudeduriz"
cleanup() {
  [ -n "$qv_pid" ] && kill "$qv_pid" 2>/dev/null || true
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
# Fails the test; with a message log in use, shows which messages were shown.
fail() {
  echo "FAIL: $*" >&2
  if [ -n "$log" ] && [ -f "$log" ]; then
    echo "messages shown:" >&2
    cat "$log" >&2
  fi
  exit 1
}

# `wine reg` works on the registry view of the programs under test ($bin): with Wine's 32-bit half
# installed it is the 32-bit reg.exe, which alone would see only what 32-bit programs see under
# HKLM\Software.
reg_view=64
for qv_program in "${bin:-}/QV.exe" "${bin:-}/qvtool.exe"; do
  if [ -f "$qv_program" ]; then
    qv_pe=$(od -An -tu4 -j60 -N4 "$qv_program" | tr -d ' ')
    [ "$(od -An -tx2 -j$((qv_pe + 4)) -N2 "$qv_program" | tr -d ' ')" = 014c ] && reg_view=32
    break
  fi
done
wine() {
  if [ "${1:-}" = reg ] && [[ " $* " != *" /reg:"* ]]; then
    command wine "$@" "/reg:$reg_view"
  else
    command wine "$@"
  fi
}

wineboot -i >/dev/null 2>&1 || true
wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
wineserver -w

# Waits up to 30 s for a visible window whose name matches the regex $1 and prints its id.
wait_for_window() {
  local id
  for _ in $(seq 300); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
# Waits up to 30 s for a visible named window that is none of the windows (ids) given, and prints
# its id: the dialog just opened over them. (A search by a Chinese caption does not match where the
# shell has no Chinese locale.)
wait_for_other_window() {
  local id
  for _ in $(seq 300); do
    for id in $(xdotool search --onlyvisible --name . 2>/dev/null || true); do
      [[ " $* " == *" $id "* ]] && continue
      [ -n "$(xdotool getwindowname "$id" 2>/dev/null)" ] && { echo "$id"; return 0; }
    done
    sleep 0.1
  done
  return 1
}
# Waits up to 10 s for the window $1 (an id) to close.
wait_gone() {
  for _ in $(seq 100); do
    xdotool getwindowname "$1" >/dev/null 2>&1 || return 0
    xdotool search --onlyvisible --name . 2>/dev/null | grep -qx "$1" || return 0
    sleep 0.1
  done
  fail "window $1 did not close"
}
# The data column of `reg query` for key $1, value $2; nothing when absent.
reg_value() {
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v name="$2" 'index($0, name) { print $NF }'
}

# Saves a picture of the window $1 (an id) to the file $2, after a second for it to settle.
shot() { # window id, file
  sleep 1
  import -window root -crop "$(xdotool getwindowgeometry "$1" | awk '/Geometry/ {print $2}')+$(xdotool getwindowgeometry "$1" | awk -F'[ ,]+' '/Position/ {print $3"+"$4}')" +repage "$2"
}

# Window captions and menus are drawn by Wine in Tahoma; link it to a CJK font as Windows links its
# system font, so the Chinese captions show too (the dialogs' own texts need no such help).
link_cjk_caption_font() {
  # Wine's own Marlett draws the caption buttons ("0 1 r" without it); this Wine does not find it
  # in its data folder, so it is copied into the prefix's font folder. (Not Wine's Tahoma: with it
  # the captions of some dialogs lose the link to the CJK font.)
  if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
    cp -n /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  fi
  wine reg add "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink" /v Tahoma \
    /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f >/dev/null 2>&1
  wineserver -w
}

# A working directory $work/wd for instrument 7 (the hand-off files go there); sets $system and
# $editor to the System and WaveEdit keys of that instrument.
use_work_directory() {
  mkdir -p "$work/wd"
  system='HKLM\Software\Tavro\QV\System\7'
  editor='HKLM\Software\Tavro\QV\WaveEdit\7'
  wine reg add "$system" /v "Work Directory" /t REG_SZ /d "Z:${work//\//\\}\\wd" /f >/dev/null 2>&1
}

# Ends QV.exe from its main window $1 (the first Ctrl+Q closes an open tool, the second the
# program) and waits for it.
quit_qv() {
  xdotool windowfocus "$1" key ctrl+q
  sleep 1
  xdotool windowfocus "$1" key ctrl+q
  wait "$qv_pid" || true
  qv_pid=
}

# Starts QV.exe on a virtual 0xC350 in language $1 (a LANGID) with the main window at 40,30 -
# 760,560 (the launcher at its usual size) and sets $qv_pid. $system is the instrument's key.
start_launcher() {
  wine reg add "$system" /v Language /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  local value
  for value in 'Main Window Left:40' 'Main Window Top:30' 'Main Window Right:760' 'Main Window Bottom:560' 'Max Flag:0'; do
    wine reg add "$system" /v "${value%%:*}" /t REG_DWORD /d "${value##*:}" /f >/dev/null 2>&1
  done
  QVRUN_DEVICES="0xC350:VI000001:USB:7" wine QV.exe &
  qv_pid=$!
}

# Starts QV.exe on a virtual 0xC350 in language $1 (a LANGID) at zoom-in $2 with the demonstration
# document as hand-off files, opens the Wave Editor from the launcher and sets $main, $qv_pid and the
# window's $X, $Y. Needs use_work_directory first.
open_demo_editor() {
  python3 "$root/scripts/demo_waveform.py" "$work/wd" ${demo_arguments:-}
  wine reg add "$system" /v Language /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  local value
  for value in 'Main Window Left:0' 'Main Window Top:0' 'Main Window Right:1100' 'Main Window Bottom:560' \
               'Max Flag:0' "iZoomIn:$2" 'iZoomOut:0' 'iStartTime:0' 'iStartLbl:0'; do
    wine reg add "$editor" /v "${value%%:*}" /t REG_DWORD /d "${value##*:}" /f >/dev/null 2>&1
  done
  QVRUN_DEVICES="0xC350:VI000001:USB:7" wine QV.exe &
  qv_pid=$!
  main=$(wait_for_window "^$caption")
  # A first start greets with a box of the same caption: answer it, then take the main window.
  if [ "$(xdotool getwindowgeometry "$main" | awk '/Geometry/ {split($2, size, "x"); print size[1]}')" -lt 500 ]; then
    xdotool windowfocus "$main" key Return
    sleep 2
    main=$(wait_for_window "^$caption")
  fi
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$main")"
  xdotool mousemove $((X + 40)) $((Y + 40)) click --repeat 2 --delay 80 1
  sleep 2
  eval "$(xdotool getwindowgeometry --shell "$main")"
}

# A click at ($1, $2) with button $3 (1 by default) that the Wave Editor takes as a click: a fast
# pointer jump starts drag mode for the cursor change interval (1 s), so the pointer rests first.
click_at() {
  xdotool mousemove "$1" "$2"
  sleep 1.3
  xdotool click "${3:-1}"
  sleep 0.5
}

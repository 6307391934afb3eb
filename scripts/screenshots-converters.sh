#!/usr/bin/env bash
# Screenshots of Text File to Waveform in the three languages (and Altera's Waveform to QV's
# Waveform in English), each with a small file loaded, opened from the launcher under Xvfb with a
# virtual 0xC350 instrument. Usage: scripts/screenshots-converters.sh <bin dir> [out dir]
# Writes text_vector_<lang>.png and altera_en.png (default out dir: docs/screenshots).
set -euo pipefail
. "$(dirname "$0")/screenshot-session.sh" converter-shots 1024x768 "$@"
system='HKLM\Software\Tavro\QV\System\7'
printf 'INPUTS CLK DATA[7..0] QV_Function;\nASSIGN DATA[7..0] 15..8;\nINTERVAL 100;\nPATTERN\n0 00h 0\n1 5Ah 0\n;\n' > "$work/demo.qvv"
printf 'INPUTS RESET CLK ADDR[3..0];\nOUTPUTS Q;\nUNIT ns;\nPATTERN\n0.0> 1 0 0 = 0\n12.5> 0 1 3 = 1\n25.0> 0 0 3 = 0\n;\n' > "$work/demo.tbl"

cd "$bin"
for run in text_vector:en:1033:650:45:qvv text_vector:tw:1028:650:45:qvv text_vector:cn:2052:650:45:qvv \
           altera:en:1033:125:120:tbl; do
  IFS=: read -r shot_name name id x y extension <<<"$run"
  start_launcher "$id"
  main=$(wait_for_window "^$caption")
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$main")"
  xdotool mousemove $((X + x)) $((Y + y)) click --repeat 2 --delay 80 1
  sleep 2
  # The file field and Load where the screenshot shows them.
  xdotool mousemove $((X + 150)) $((Y + 65)) click 1
  xdotool type --delay 20 "Z:${work//\//\\}\\demo.$extension"
  xdotool mousemove $((X + 525)) $((Y + 65)) click 1
  sleep 1
  shot "$main" "$out/${shot_name}_$name.png"
  # Cancel closes the tool (the dialog keeps keys from the accelerators), then Ctrl+Q the program.
  xdotool mousemove $((X + 525)) $((Y + 408)) click 1
  sleep 1
  xdotool windowfocus "$main" key ctrl+q
  wait "$qv_pid" || true
  qv_pid=
done
echo "screenshots in $out"

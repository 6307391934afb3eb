#!/usr/bin/env bash
# qvtool run and convert to VCD, read back by sigrok-cli (an independent VCD reader): a waveform
# with a counted loop, a jump and a wait for the key runs on the virtual instrument, and the
# captured samples follow its commands; a document exported as VCD holds its samples.
# $1 is the qvtool executable.
set -u
qvtool=$1
. "$(dirname "$0")/lib/expect.sh"
require_sigrok

same_text() { # same_text NAME GOT WANTED
    if [[ "$2" == "$3" ]]; then echo "ok   $1"; else
        echo "FAIL $1"; diff <(echo "$2" | tr ' ' '\n') <(echo "$3" | tr ' ' '\n') | head -10; failures=$((failures + 1)); fi
}

# The 8-bit bus D on channels 7..0 counts the samples 0..119 at 1 MHz. Commands as placed in the
# editor: LC 3 at 20-21, LP 30 at 38-40, JP 70 at 60-62, SE Key at 80, WE at 90.
declare -A command=([20]=200 [21]=401 [38]=82A [39]=200 [40]=300 [60]=852 [61]=200 [62]=100 [80]=600 [90]=700)
{
    printf 'INPUTS QV_Function D;\r\nASSIGN D 7..0;\r\nRADIX AUTO;\r\nFREQUENCYMODE INTERNAL;\r\nFREQUENCY 1 MHz;\r\nPATTERN\r\n'
    for ((i = 0; i < 120; i++)); do printf '%sh %02Xh\r\n' "${command[$i]:-000}" "$i"; done
    printf ';'
} > "$work/loop.qvv"

# The value of D (ch0 = bit 0 ... ch7 = bit 7) at every sample of a capture, as sigrok reads it.
bus_values() {
    sigrok-cli -I vcd -i "$1" -O csv 2>/dev/null | grep -v '^[;A-Za-z]' |
        awk -F, '{ v = 0; for (k = 8; k >= 1; k--) v = v * 2 + $k; printf "%d ", v }'
}
sequence() { # sequence FROM TO
    local i; for ((i = $1; i <= $2; i++)); do printf '%d ' "$i"; done
}
repeat() { # repeat VALUE COUNT
    local i; for ((i = 0; i < $2; i++)); do printf '%d ' "$1"; done
}

expect "run to the sample limit" 0 "stopped at the sample limit" -- \
    "$qvtool" run "$work/loop.qvv" --model 0xB016 --capture "$work/out.vcd" --key-events 1 --max-samples 400
wanted="$(repeat 0 12)$(sequence 0 40)$(sequence 30 40)$(sequence 30 40)$(sequence 41 62)$(sequence 70 90)$(sequence 91 119)"
wanted="$wanted$(repeat 119 $((400 - 147)))"
same_text "captured samples follow the commands" "$(bus_values "$work/out.vcd")" "$wanted"

expect "without a key it waits at the WE" 0 "waits for the key" -- \
    "$qvtool" run "$work/loop.qvv" --model 0xB016 --capture "$work/wait.vcd"
same_text "capture ends where the key is needed" "$(bus_values "$work/wait.vcd")" \
    "$(repeat 0 12)$(sequence 0 40)$(sequence 30 40)$(sequence 30 40)$(sequence 41 62)$(sequence 70 90)"
expect "samples before the wait" 0 "Samples output: 118" -- \
    "$qvtool" run "$work/loop.qvv" --model 0xB016 --capture "$work/wait.vcd"

# SE EV1 at 80 replaces SE Key: the WE waits for EV1, given at sample 300.
sed 's/^600h/609h/' "$work/loop.qvv" > "$work/ev.qvv"
expect "external event releases the wait" 0 "stopped at the sample limit" -- \
    "$qvtool" run "$work/ev.qvv" --model 0xB016 --capture "$work/ev.vcd" --ev1 300 --max-samples 320
same_text "held until the event" "$(bus_values "$work/ev.vcd" | cut -d' ' -f118-121)" "90 90 90 90"
same_text "goes on after the event's sample" "$(bus_values "$work/ev.vcd" | cut -d' ' -f300-303)" "90 90 91 92"

expect "run needs a capture" 2 "run needs --model CODE and --capture" -- "$qvtool" run "$work/loop.qvv" --model 0xB016
expect "run needs a model" 2 "run needs --model CODE and --capture" -- \
    "$qvtool" run "$work/loop.qvv" --capture "$work/x.vcd"
expect "bad sample limit" 2 "Bad number: 0" -- \
    "$qvtool" run "$work/loop.qvv" --model 0xB016 --capture "$work/x.vcd" --max-samples 0
expect "bad event list" 2 "Bad number: 1,,2" -- \
    "$qvtool" run "$work/loop.qvv" --model 0xB016 --capture "$work/x.vcd" --ev1 1,,2
expect "unwritable capture" 1 "The capture file could not be written" -- \
    "$qvtool" run "$work/loop.qvv" --model 0xB016 --capture "$work/none/x.vcd"

# A base frequency the instrument cannot make: run asks as the Wave Editor's Run does; --yes takes
# the nearest achievable clock (100 MHz on this model), without it nothing runs.
sed 's/FREQUENCY 1 MHz/FREQUENCY 150 MHz/' "$work/loop.qvv" > "$work/fast.qvv"
expect "too fast a clock is asked about" 1 "Default nearby? (answered No)" -- \
    "$qvtool" run "$work/fast.qvv" --model 0xB016 --capture "$work/fast.vcd"
expect "--yes takes the nearest clock" 0 "Use proximate frequency (100 MHz)!" -- \
    "$qvtool" --yes run "$work/fast.qvv" --model 0xB016 --capture "$work/fast.vcd" --max-samples 400 --key-events 1
expect "at the nearest clock" 0 '$timescale 10 ns $end' -- cat "$work/fast.vcd"
same_text "the nearest clock runs the same samples" "$(bus_values "$work/fast.vcd")" "$(bus_values "$work/out.vcd")"
# A full disk (a link to /dev/full): the capture is not left behind cut short.
ln -s /dev/full "$work/full.vcd"
expect "full disk" 1 "could not be written" -- "$qvtool" run "$work/loop.qvv" --model 0xB016 --capture "$work/full.vcd"
expect "cut capture removed" 1 "" -- test -L "$work/full.vcd"

# Export: one-bit labels as wires that sigrok reads back sample by sample.
printf 'INPUTS QV_Function CLK DATA;\r\nASSIGN CLK 0;\r\nASSIGN DATA 5;\r\nRADIX AUTO;\r\nFREQUENCYMODE INTERNAL;\r\nFREQUENCY 12.5 MHz;\r\nPATTERN\r\n' > "$work/bits.qvv"
printf '000h 0 1\r\n000h 1 1\r\n000h 0 0\r\n000h 1 0\r\n000h 0 1\r\n;' >> "$work/bits.qvv"
expect "convert to VCD" 0 "" -- "$qvtool" convert "$work/bits.qvv" "$work/bits.vcd"
same_text "exported wires" "$(sigrok-cli -I vcd:downsample=8 -i "$work/bits.vcd" -O csv 2>/dev/null | grep -v '^[;A-Za-z]' | tr '\n' ' ')" \
    "0,1 1,1 0,0 1,0 0,1 "
expect "exported timescale" 0 '$timescale 10 ns $end' -- cat "$work/bits.vcd"
# A bus becomes one vector; the command label is left out.
expect "convert a bus" 0 "" -- "$qvtool" convert "$work/loop.qvv" "$work/doc.vcd"
expect "bus as a vector" 0 '$var wire 8 ! D [7:0] $end' -- cat "$work/doc.vcd"
expect "bus value" 0 'b01110111 !' -- cat "$work/doc.vcd"
expect "no command variable" 1 "" -- grep -q QV_Function "$work/doc.vcd"
# A label named like a VCD keyword is renamed, so that readers keep the variable.
sed 's/\bCLK\b/$end/g' "$work/bits.qvv" > "$work/keyword.qvv"
expect "keyword label exported" 0 "" -- "$qvtool" convert "$work/keyword.qvv" "$work/keyword.vcd"
expect "keyword label renamed" 0 '$var wire 1 ! _end $end' -- cat "$work/keyword.vcd"
same_text "keyword label read back" \
    "$(sigrok-cli -I vcd:downsample=8 -i "$work/keyword.vcd" -O csv 2>/dev/null | grep -v '^[;A-Za-z]' | tr '\n' ' ')" \
    "0,1 1,1 0,0 1,0 0,1 "
expect "info names a VCD input" 0 "Format: value change dump (.vcd)" -- "$qvtool" --yes info "$work/keyword.vcd"
expect "--key-events is a total" 0 "key events given in all" -- "$qvtool" --help

echo "$failures failure(s)"
[[ $failures -eq 0 ]]

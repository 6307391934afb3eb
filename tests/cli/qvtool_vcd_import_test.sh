#!/usr/bin/env bash
# VCD import end to end: dumps written by a real simulator (Icarus Verilog, from the test benches in
# verilog/) are converted with qvtool and run on the virtual instrument; the captured waveform
# equals the simulator's, time unit for time unit, long idle gaps (sequencer loops) included.
# $1 is the qvtool executable.
set -u
qvtool=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib/expect.sh"
if ! command -v iverilog > /dev/null || ! command -v vvp > /dev/null; then
    echo "FAIL iverilog is missing (scripts/setup.sh installs it)"
    exit 1
fi

simulate() { # simulate BENCH OUT.vcd
    local dir="$work/sim-$1"
    mkdir -p "$dir"
    (cd "$dir" && iverilog -o tb "$here/verilog/$1.v" && vvp -n tb > /dev/null) || return 1
    cp "$dir/tb.vcd" "$2"
}

simulate idle_gaps_tb "$work/idle.vcd" || { echo "FAIL the simulation did not run"; exit 1; }
expect "convert the dump" 0 "" -- "$qvtool" --model 0xC350 convert "$work/idle.vcd" "$work/idle.qvw"
expect "its labels" 0 "count  4..1" -- "$qvtool" --model 0xC350 info "$work/idle.qvw"
expect "its loops pass Waveform Check" 0 "No error." -- "$qvtool" --model 0xC350 check "$work/idle.qvw"
expect "run it" 0 "" -- "$qvtool" run "$work/idle.qvw" --model 0xC350 --capture "$work/idle-captured.vcd" \
    --key-events 1 --max-samples 850200
same_waveform "the instrument plays the simulator's waveform" "$work/idle.vcd" "$work/idle-captured.vcd"
expect "run the dump directly" 0 "" -- "$qvtool" run "$work/idle.vcd" --model 0xC350 \
    --capture "$work/direct.vcd" --key-events 1 --max-samples 850200
same_waveform "the same run straight from the dump" "$work/idle.vcd" "$work/direct.vcd"
expect "22 channels on a 20-channel model" 1 "maximum channels" -- \
    "$qvtool" --model 0xA020 convert "$work/idle.vcd" "$work/x.qvw"

simulate fine_timescale_tb "$work/fine.vcd" || { echo "FAIL the simulation did not run"; exit 1; }
expect "1 ns units on a 100 MHz model: asked, answered No" 1 "time scale range in VCD file(1ns), Run QV's max. time scale(10ns)? (answered No)" -- \
    "$qvtool" --model 0xC350 convert "$work/fine.vcd" "$work/fine.qvw"
expect "answered Yes: the finest clock" 0 "100 MHz" -- \
    bash -c "'$qvtool' --model 0xC350 --yes convert '$work/fine.vcd' '$work/fine.qvw' && '$qvtool' --model 0xC350 info '$work/fine.qvw'"

# The other converters' files read the same way: a VHDL test bench.
cat > "$work/tb.vht" << 'VHT'
COMPONENT c PORT (clk : IN STD_LOGIC; q : OUT STD_LOGIC); END COMPONENT;
t_prcs_clk: PROCESS BEGIN FOR i IN 1 TO 3 LOOP clk <= '1'; WAIT FOR 20000 ps; clk <= '0'; WAIT FOR 10000 ps;
END LOOP; WAIT; END PROCESS t_prcs_clk;
VHT
expect "a VHDL test bench" 0 "clk  0" -- bash -c "'$qvtool' --model 0xC350 convert '$work/tb.vht' '$work/tb.qvv' && '$qvtool' info '$work/tb.qvv'"
echo "ENTITY e IS END e;" > "$work/not-a-bench.vht"
expect "a VHDL file without COMPONENT" 1 "not Altera VHDL test bench" -- "$qvtool" convert "$work/not-a-bench.vht" "$work/x.qvw"

echo "$failures failed"
[[ $failures -eq 0 ]]

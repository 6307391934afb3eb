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

# Compares the simulator's dump with the capture from its first data sample (after the 12 prefix
# samples) over the dump's whole length. The imported variables sit on consecutive channels in
# declaration order, least significant bit first; "x" reads as low, and so does "z" unless a group
# size is given: then a channel reads "z" while any channel of its output group floats.
same_waveform() { # same_waveform NAME SIMULATED.vcd CAPTURED.vcd [GROUP]
    local out
    if out=$(python3 - "$2" "$3" ${4:-} << 'PY'
import sys

def read(path):
    names, order, values, changes, now = {}, [], {}, [], 0
    tokens = open(path).read().split()
    i = 0
    while i < len(tokens):
        t = tokens[i]
        if t == '$var':
            end = tokens.index('$end', i)
            width, code, name = int(tokens[i + 2]), tokens[i + 3], tokens[i + 4]
            order.append((code, width, name))
            i = end
        elif t.startswith('$'):
            if t not in ('$dumpvars', '$end', '$dumpall', '$dumpon', '$dumpoff'):
                i = tokens.index('$end', i)
        elif t.startswith('#'):
            changes.append((now, dict(values)))
            now = int(t[1:])
        elif t[0] in 'bB':
            values[tokens[i + 1]] = t[1:]
            i += 1
        else:
            values[t[1:]] = t[0]
        i += 1
    changes.append((now, dict(values)))
    return order, changes

group = int(sys.argv[3]) if len(sys.argv) > 3 else 0

def words(order, changes, end, shift=0):
    """The channels of every time unit in [0, end), channel 0 first."""
    out, k, word = [], 0, ''
    def word_of(values):
        w = ''
        for code, width, _ in order:
            v = values.get(code, '0').lower().replace('x', '0')
            v = v if group else v.replace('z', '0')
            w += v.rjust(width, v[0] if v[0] in 'xz' else '0')[-width:][::-1]
        if group:
            w = ''.join('z' * len(w[g:g + group]) if 'z' in w[g:g + group] else w[g:g + group]
                        for g in range(0, len(w), group))
        return w
    for t in range(shift, shift + end):
        while k < len(changes) and changes[k][0] <= t:
            word = word_of(changes[k][1])
            k += 1
        out.append(word)
    return out

sim_order, sim = read(sys.argv[1])
cap_order, cap = read(sys.argv[2])
cap_order = sorted([o for o in cap_order if o[2].startswith('ch')], key=lambda o: int(o[2][2:]))
end = sim[-1][0]
want = words(sim_order, sim, end)
got = words(cap_order, cap, end, 12)
for t in range(end):
    if want[t] != got[t][:len(want[t])]:
        print('time unit %d: simulator %s, instrument %s (channel 0 first)' % (t, want[t], got[t]))
        sys.exit(1)
print('%d time units equal' % end)
PY
    ); then echo "ok   $1 ($out)"; else echo "FAIL $1: $out"; failures=$((failures + 1)); fi
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

# High-impedance stretches: each output group switches off and on at the dump's own time units.
simulate z_edges_tb "$work/z.vcd" || { echo "FAIL the simulation did not run"; exit 1; }
expect "run the z stretches" 0 "" -- "$qvtool" run "$work/z.vcd" --model 0xC350 \
    --capture "$work/z-captured.vcd" --key-events 1 --max-samples 850700
same_waveform "the outputs float exactly while the simulator's do" "$work/z.vcd" "$work/z-captured.vcd" 10

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

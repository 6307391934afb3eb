#!/usr/bin/env bash
# VHDL test bench import end to end: the benches in vhdl/ are simulated by GHDL and run by qvtool on
# the virtual instrument; the capture equals GHDL's waveform with every edge on its nearest sample
# (delays that are no whole number of sample periods round, halves up), during the data and after
# it, where the inputs rest at their final levels. $1 is the qvtool executable.
set -u
qvtool=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib/expect.sh"
if ! command -v ghdl > /dev/null; then
    echo "SKIP ghdl is missing (scripts/setup.sh installs it)"
    exit 77
fi

simulate() { # simulate BENCH ENTITY OUT.vcd
    local dir="$work/sim-$1"
    mkdir -p "$dir"
    (cd "$dir" && ghdl -a "$here/vhdl/$1.vht" && ghdl -e "$2" && ghdl -r "$2" --vcd=out.vcd) > /dev/null || return 1
    cp "$dir/out.vcd" "$3"
}

# same_waveform NAME BENCH.vht SIMULATED.vcd CAPTURED.vcd PERIOD_FS: the bench's input ports take
# consecutive channels in port order, a vector's least significant bit first; levels other than
# 1 read as low. Compares every sample up to 30 past GHDL's last time.
same_waveform() {
    local out
    if out=$(PYTHONPATH="$here/lib" python3 - "$2" "$3" "$4" "$5" << 'PY'
import re, sys
from vcd_dump import read

def value(text, width):
    bits = ''.join(c if c in '01' else '0' for c in text.lower())
    return int(bits or '0', 2) & ((1 << width) - 1)

bench, simulated, captured, period = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
text = open(bench).read()
component = re.search(r'COMPONENT(.*?)END COMPONENT', text, re.S | re.I).group(1)
ports = []
for name, vector, high, low in re.findall(r'(\w+)\s*:\s*IN\s+STD_LOGIC(_VECTOR\s*\((\d+)\s+DOWNTO\s+(\d+)\))?', component, re.I):
    ports.append((name.lower(), int(high) - int(low) + 1 if vector else 1))

sim_order, sim, _ = read(simulated)
codes = {name.split('[')[0].lower(): code for code, width, name in sim_order}
cap_order, cap, _ = read(captured)
unit = re.search(r'(\d+) units per sample', open(captured).read())
unit = int(unit.group(1)) if unit else 1
cap_codes = {int(name[2:]): code for code, width, name in cap_order if name.startswith('ch')}

def sim_word(values):
    w, first = 0, 0
    for name, width in ports:
        w |= value(values.get(codes[name], '0'), width) << first
        first += width
    return w

def cap_word(values):
    return sum(value(values.get(code, '0'), 1) << ch for ch, code in cap_codes.items())

samples = -(-sim[-1][0] // period) + 30
k = 0
for s in range(samples):
    # An edge at time t lands on sample round(t / period): the sample sees it when t < (s + 1/2) period.
    while k + 1 < len(sim) and 2 * sim[k + 1][0] < (2 * s + 1) * period:
        k += 1
    want = sim_word(sim[k][1])
    j = max(i for i in range(len(cap)) if cap[i][0] <= (s + 12) * unit)
    got = cap_word(cap[j][1])
    if want != got:
        print('sample %d: GHDL %x, instrument %x' % (s, want, got))
        sys.exit(1)
print('%d samples equal' % samples)
PY
    ); then echo "ok   $1 ($out)"; else echo "FAIL $1: $out"; failures=$((failures + 1)); fi
}

run_bench() { # run_bench BENCH ENTITY MODEL PERIOD_FS
    simulate "$1" "$2" "$work/$1.vcd" || { echo "FAIL GHDL did not simulate $1"; failures=$((failures + 1)); return; }
    expect "run $1 on $3" 0 "" -- "$qvtool" --model "$3" --yes run "$here/vhdl/$1.vht" \
        --capture "$work/$1-$3.vcd" --key-events 1 --max-samples 2000
    same_waveform "the instrument plays GHDL's waveform of $1 on $3" "$here/vhdl/$1.vht" "$work/$1.vcd" \
        "$work/$1-$3.vcd" "$4"
}

run_bench en_wait fifo_vhd_tst 0xC350 10000000
run_bench en_wait fifo_vhd_tst 0xCD16 5000000
run_bench half_periods clk15_vhd_tst 0xC350 10000000
expect "15 ns half periods ask about the inexact clock" 0 "Channel clk, stb, bus_in_2" -- \
    "$qvtool" --model 0xC350 convert "$here/vhdl/half_periods.vht" "$work/x.qvw"

# 20 input bits on a 16-channel model are refused, as the VCD import refuses them; 16 load.
sed 's/STD_LOGIC_VECTOR(2 DOWNTO 0)/STD_LOGIC_VECTOR(17 DOWNTO 0)/' "$here/vhdl/half_periods.vht" > "$work/wide.vht"
expect "20 inputs on a 16-channel model" 1 "maximum channels" -- \
    "$qvtool" --model 0xB016 --yes convert "$work/wide.vht" "$work/x.qvw"
sed 's/STD_LOGIC_VECTOR(2 DOWNTO 0)/STD_LOGIC_VECTOR(13 DOWNTO 0)/' "$here/vhdl/half_periods.vht" > "$work/fits.vht"
expect "16 inputs on a 16-channel model" 0 "" -- "$qvtool" --model 0xB016 --yes convert "$work/fits.vht" "$work/x.qvw"
: > "$work/empty.vht"
expect "an empty test bench" 1 "not Altera VHDL test bench" -- "$qvtool" convert "$work/empty.vht" "$work/x.qvw"

echo "$failures failed"
[[ $failures -eq 0 ]]

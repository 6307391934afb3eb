#!/usr/bin/env bash
# sigrok session import end to end: random VCD dumps with idle gaps long enough to need sequencer
# loops are turned into .sr files by sigrok-cli, imported with qvtool and run on the virtual
# instrument; the capture equals the original dump sample for sample. A capture of sigrok's demo
# device is checked against the session's own data (read with Python's zip reader).
# $1 is the qvtool executable.
set -u
qvtool=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib/expect.sh"
require_sigrok

# random_dump SEED SIGNALS OUT.vcd: scalars at 10 ns, bursts of changes every 1 to 3 units and idle
# gaps of 100 to 300,000 units (one over 655,360, more than one loop holds, with SEED 1).
random_dump() {
    python3 - "$1" "$2" > "$3" << 'PY'
import random, sys
seed, signals = int(sys.argv[1]), int(sys.argv[2])
r = random.Random(seed)
code = lambda i: chr(33 + i)
print('$timescale 10 ns $end\n$scope module dump $end')
for i in range(signals):
    print('$var wire 1 %s s%d $end' % (code(i), i))
print('$upscope $end\n$enddefinitions $end\n#0\n$dumpvars')
for i in range(signals):
    print('%d%s' % (r.randrange(2), code(i)))
print('$end')
t = 0
gaps = [r.choice([100, 101, 999, 5000, 65537, 300000]) for _ in range(6)] + ([700000] if seed == 1 else [])
for gap in gaps:
    for _ in range(r.randrange(20, 200)):
        t += r.choice([1, 1, 2, 3])
        print('#%d' % t)
        for _ in range(r.randrange(1, 4)):
            print('%d%s' % (r.randrange(2), code(r.randrange(signals))))
    t += gap
    print('#%d' % t)
    print('%d%s' % (r.randrange(2), code(r.randrange(signals))))
print('#%d' % (t + 7))
PY
}

for case in "1 3" "2 12" "3 20"; do
    set -- $case
    seed=$1 signals=$2
    random_dump "$seed" "$signals" "$work/r$seed.vcd"
    if ! sigrok-cli -i "$work/r$seed.vcd" -o "$work/r$seed.sr" || [[ ! -s $work/r$seed.sr ]]; then
        echo "FAIL sigrok-cli did not write r$seed.sr"; failures=$((failures + 1)); continue
    fi
    units=$(tail -1 "$work/r$seed.vcd" | tr -d '#')
    expect "dump $seed ($signals signals): convert" 0 "" -- \
        "$qvtool" --model 0xC350 convert "$work/r$seed.sr" "$work/r$seed.qvw"
    expect "dump $seed: the probe names as labels" 0 "s$((signals - 1))  $((signals - 1))" -- \
        "$qvtool" --model 0xC350 info "$work/r$seed.qvw"
    expect "dump $seed: its loops pass Waveform Check" 0 "No error." -- \
        "$qvtool" --model 0xC350 check "$work/r$seed.qvw"
    expect "dump $seed: run the session" 0 "" -- "$qvtool" run "$work/r$seed.sr" --model 0xC350 \
        --capture "$work/r$seed-captured.vcd" --max-samples $((units + 100))
    same_waveform "dump $seed: the instrument plays the dump" "$work/r$seed.vcd" "$work/r$seed-captured.vcd"
done

expect "the sample rate as the base frequency" 0 "Base frequency: 100 MHz" -- \
    "$qvtool" --model 0xC350 info "$work/r1.sr"

# sigrok's demo device: 8 logic channels at 200 kHz and 5 analog ones (not loaded, with a note).
if sigrok-cli -d demo --samples 100000 -o "$work/demo.sr" && [[ -s $work/demo.sr ]]; then
    expect "demo capture: the analog channels are named in a note" 0 "5 analog channels are not loaded" -- \
        "$qvtool" --model 0xC350 info "$work/demo.sr"
    expect "demo capture: run" 0 "" -- "$qvtool" --model 0xC350 run "$work/demo.sr" \
        --capture "$work/demo-captured.vcd" --max-samples 100100
    same_waveform "demo capture: the instrument plays the session's samples" "$work/demo.sr" "$work/demo-captured.vcd"
    expect "longer than a 64K memory, --yes: loaded up to the memory" 0 "Used length: 655" -- \
        bash -c "'$qvtool' --model 0xA020 --yes convert '$work/demo.sr' '$work/demo.qvw' && '$qvtool' --model 0xA020 info '$work/demo.qvw'"
else
    echo "FAIL sigrok-cli did not write demo.sr"; failures=$((failures + 1))
fi

head -c 300 "$work/r1.sr" > "$work/truncated.sr"
expect "a truncated session" 1 "no sigrok session" -- "$qvtool" convert "$work/truncated.sr" "$work/x.qvw"

echo "$failures failed"
[[ $failures -eq 0 ]]

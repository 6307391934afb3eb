#!/usr/bin/env bash
# qvtool gen sync-counter and async-counter on the virtual instrument, the captures checked by a
# reader written from the counters' public definition (no decoder of ours): every sample holds
# the next count of the one before, a Gray count changes one bit a step, a Repeat loop has the
# count's period over three loops with every value once, and a ripple counter's bit k follows
# bit 0 k samples later.
# $1 is the qvtool executable.
set -u
qvtool=$1
. "$(dirname "$0")/lib/expect.sh"
lib=$(cd "$(dirname "$0")/lib" && pwd)

check() { # check NAME VCD KIND WIDTH START END INCREMENT CHANNEL GRAY DIVISOR REPEAT
    local out
    out=$(PYTHONPATH="$lib" python3 - "$@" <<'PY'
import math
import sys
from vcd_samples import samples, channel_bits
name, vcd, kind = sys.argv[1:4]
width, start, end, inc, channel, gray, n, repeat = map(int, sys.argv[4:12])
names, rows = samples(vcd)
low, length = min(start, end), abs(end - start) + 1
def after(v):
    return low + (v - low + inc) % length
def binary(g):
    b = 0
    while g:
        b ^= g
        g >>= 1
    return b
problems = []
# The count wraps over the range by modulo: (End - Start) / Increment + 1 values when the increment
# divides the range, else until the walk meets Start again.
period = length // math.gcd(length, inc % length)
if kind == "sync":
    v = channel_bits(names, rows, channel, width)
    # Counted once, the stream ends with Start back and the instrument holds it; looping, the
    # capture stops at its sample limit.
    if not repeat:
        v = v[:12 + period]
    if gray:
        for i in range(13, len(v)):
            if bin(v[i] ^ v[i - 1]).count("1") != 1:
                problems.append("sample %d: Gray step %x -> %x" % (i, v[i - 1], v[i]))
        v = [binary(g) for g in v]
    if v[:12] != [start] * 12:
        problems.append("lead-in %s" % v[:12])
    for i in range(12, len(v)):
        if v[i] != after(v[i - 1]):
            problems.append("sample %d: %d after %d" % (i, v[i], v[i - 1]))
            break
    if repeat:
        tail = v[-3 * period:]
        if len(tail) < 3 * period or tail[:period] * 3 != tail or sorted(set(tail)) != sorted(tail[:period]):
            problems.append("the last three loops are not the period %d" % period)
else:
    v = channel_bits(names, rows, channel, width)
    # Undo the ripple: bit k of sample i belongs to the count of sample i - k.
    u = [sum(((v[i + k] >> k) & 1) << k for k in range(width)) for i in range(len(v) - width)]
    data = u[12:]  # behind the prefix
    steps = [data[i] for i in range(0, len(data) - n, n)]
    for i in range(len(steps) - 1):
        if data[i * n:(i + 1) * n] != [steps[i]] * n:
            problems.append("value %d not held %d samples" % (i, n))
            break
        if steps[i + 1] != after(steps[i]):
            problems.append("value %d: %d after %d" % (i + 1, steps[i + 1], steps[i]))
            break
    if steps[0] != start:
        problems.append("first value %d" % steps[0])
print("; ".join(problems[:3]) if problems else "ok")
PY
)
    if [[ $out == ok ]]; then echo "ok   $1"; else echo "FAIL $1: $out"; failures=$((failures + 1)); fi
}

run() { # run NAME VCD -- qvtool gen arguments...
    local name=$1 vcd=$2
    shift 3
    expect "$name runs" 0 "" -- "$qvtool" gen "$@" --model 0xB016 --capture "$vcd" --max-samples 400
}

# kind width start end increment channel gray divisor repeat, then the options
rows=(
    "sync 4 0 15 1 2 0 1 0|--width 4 --start-channel 2"
    "sync 4 0 15 1 2 1 1 1|--width 4 --start-channel 2 --gray --repeat"
    "sync 4 15 0 -1 0 0 1 1|--width 4 --start 15 --end 0 --increment -1 --repeat"
    "sync 3 2 6 1 13 0 1 1|--width 3 --start 2 --end 6 --start-channel 13 --repeat"
    "sync 6 3 40 5 5 0 1 0|--width 6 --start 3 --end 40 --increment 5 --start-channel 5"
    "async 3 0 7 1 1 0 4 1|--width 3 --start-channel 1 --delay 4 --repeat --frequency 1000000"
    "async 5 0 31 1 0 0 2 0|--width 5 --delay 2"
    "async 4 9 2 -1 4 0 16 1|--width 4 --start 9 --end 2 --increment -1 --start-channel 4 --delay 16 --repeat --frequency 2e6"
)
for row in "${rows[@]}"; do
    IFS='|' read -r facts options <<< "$row"
    read -r kind width start end inc channel gray n repeat <<< "$facts"
    name="$kind-counter $options"
    # shellcheck disable=SC2086
    run "$name" "$work/c.vcd" -- "$kind-counter" $options
    check "$name" "$work/c.vcd" "$kind" "$width" "$start" "$end" "$inc" "$channel" "$gray" "$n" "$repeat"
done

expect "width past the channels" 1 "Data width conflict with start channel !" -- \
    "$qvtool" gen sync-counter --model 0xB016 --width 3 --start-channel 14 --capture "$work/x.vcd"
expect "start = end" 1 "Error parameter setting" -- \
    "$qvtool" gen sync-counter --model 0xB016 --width 4 --start 3 --end 3 --capture "$work/x.vcd"
expect "async clock over the maximum" 1 "Out of range. (Max.=100MHz)" -- \
    "$qvtool" gen async-counter --model 0xB016 --delay 16 --frequency 7000000 --capture "$work/x.vcd"

exit $((failures > 0))

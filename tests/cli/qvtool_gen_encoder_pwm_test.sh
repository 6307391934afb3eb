#!/usr/bin/env bash
# qvtool gen encoder and pwm on the virtual instrument. The Encoder's captures are decoded by a
# reader written from the line codes' public definitions (NRZI: a 0 toggles the line; Manchester
# as G. E. Thomas: a 1 is high then low; IEEE 802.3: a 1 is low then high; differential
# Manchester: a 0 changes the line at the bit's start, every bit in its middle), each bit judged
# against the level really before it, the lead-in's for the first. The PWM captures go through
# sigrok's pwm decoder (period and duty); 0 % and 100 % are read in Python; the exported .qvv run
# with `qvtool run` must play the same levels as the direct output.
# $1 is the qvtool executable.
set -u
qvtool=$1
. "$(dirname "$0")/lib/expect.sh"
lib=$(cd "$(dirname "$0")/lib" && pwd)
require_sigrok

# ---- Encoder -------------------------------------------------------------------------------------
decode_check() { # decode_check NAME VCD CODE ORDER CHANNEL RATE REPEAT HEXBYTES...
    local out
    out=$(PYTHONPATH="$lib" python3 - "$@" <<'PY'
import re
import sys
from vcd_samples import samples, channel_bits
name, vcd, code, order, channel, rate, repeat = sys.argv[1:8]
data = [int(b, 16) for b in sys.argv[8:]]
per = 1 if code == "nrzi" else 2
names, rows = samples(vcd)
clock = int(re.search(r"sample clock (\d+) Hz", open(vcd).read()).group(1))
line = ["H" if v else "L" for v in channel_bits(names, rows, int(channel), 1)]
problems = []
if clock != int(rate) * per:
    problems.append("sample clock %d for a rate of %s" % (clock, rate))
before = line[15]  # the lead-in's level is the level before the first bit
bits = []
for i in range(16, len(line) - per + 1, per):
    a = line[i]
    b = line[i + 1] if per == 2 else None
    if per == 2 and a == b:
        problems.append("bit at sample %d has no change in its middle" % i)
        break
    if code == "nrzi":
        bits.append(0 if a != before else 1)
    elif code == "thomas":
        bits.append(1 if a == "H" else 0)
    elif code == "ieee":
        bits.append(1 if a == "L" else 0)
    else:
        bits.append(0 if a != before else 1)
    before = line[i + per - 1]
got = []
for k in range(0, len(bits) - 7, 8):
    v = 0
    for bit in (bits[k:k + 8] if order == "msb" else bits[k:k + 8][::-1]):
        v = v << 1 | bit
    got.append(v)
if repeat == "1":
    want = (data * (len(got) // len(data) + 1))[:len(got)]
    if len(got) < 3 * len(data):
        problems.append("only %d bytes in the capture" % len(got))
else:
    want = data
    got = got[:len(data)]
if got != want:
    bad = next(i for i in range(min(len(got), len(want))) if got[i] != want[i]) if got[:1] else 0
    problems.append("byte %d: got %s, sent %s" % (bad, " ".join("%02x" % v for v in got[bad:bad + 4]),
                                                  " ".join("%02x" % v for v in want[bad:bad + 4])))
print("; ".join(problems) if problems else "ok")
PY
)
    if [[ $out == ok ]]; then echo "ok   $1"; else echo "FAIL $1: $out"; failures=$((failures + 1)); fi
}

# code order channel rate unit repeat | bytes
rows=(
    "nrzi msb 3 1 MHz 0|1a 2b 3c 4d 5e 6f"
    "nrzi lsb 0 4.1 MHz 1|1a 00 ff 81"
    "thomas msb 7 250 KHz 1|1a 2b 3c"
    "thomas lsb 15 1 MHz 0|00 ff 55 aa 01 80"
    "ieee msb 1 12.5 MHz 0|1a 2b 3c 4d 5e 6f"
    "ieee lsb 9 9600 Hz 1|c3 3c"
    "differential msb 2 1 MHz 1|1a 2b 3c"
    "differential lsb 14 2 MHz 0|ff 00 0f f0 01"
    "differential msb 5 3 MHz 1|fe 01"
)
for row in "${rows[@]}"; do
    IFS='|' read -r facts hexbytes <<< "$row"
    read -r code order channel rate unit repeat <<< "$facts"
    text=""
    for b in $hexbytes; do text+="$b;"$'\n'; done
    repeat_option=()
    [[ $repeat == 1 ]] && repeat_option=(--repeat)
    hz=$(python3 -c "print(round($rate * {'MHz': 1000000, 'KHz': 1000, 'Hz': 1}['$unit']))")
    name="encoder $facts"
    expect "$name runs" 0 "" -- "$qvtool" gen encoder --model 0xB016 --code "$code" --order "$order" \
        --channel "$channel" --rate "$rate" --unit "$unit" --bytes "$text" "${repeat_option[@]}" \
        --capture "$work/e.vcd" --max-samples 700
    # shellcheck disable=SC2086
    decode_check "$name" "$work/e.vcd" "$code" "$order" "$channel" "$hz" "$repeat" $hexbytes
done
expect "encoder --sample" 0 "" -- "$qvtool" gen encoder --model 0xB016 --sample --capture "$work/e.vcd"
decode_check "encoder --sample decodes" "$work/e.vcd" nrzi msb 0 1000000 0 1a 2b 3c 4d 5e 6f

# 65536 samples less the margin of 36 and the lead-in of 16: 8185 NRZI bytes fit, 8186 do not.
python3 -c "print('55;' * 8185)" > "$work/fits.txt"
python3 -c "print('55;' * 8186)" > "$work/long.txt"
expect "the most bytes that fit" 0 "" -- "$qvtool" gen encoder --model 0xB016 --data "$work/fits.txt" \
    --capture "$work/x.vcd" --max-samples 100
expect "one byte more is too long" 1 "Can't Run. Data is too big." -- \
    "$qvtool" gen encoder --model 0xB016 --data "$work/long.txt" --capture "$work/x.vcd"
expect "no byte ended by ;" 1 "No data to send" -- \
    "$qvtool" gen encoder --model 0xB016 --bytes "1a" --capture "$work/x.vcd"
expect "rate over the maximum" 1 "Out of range. (Max. = 100Mbits/s" -- \
    "$qvtool" gen encoder --model 0xB016 --rate 100.1 --sample --capture "$work/x.vcd"
expect "channel past the model" 1 "Error channel setting" -- \
    "$qvtool" gen encoder --model 0xB016 --channel 16 --sample --capture "$work/x.vcd"

# ---- PWM ---------------------------------------------------------------------------------------
# sigrok reads one of its samples per sample of ours, so every edge falls on a sample boundary and
# the duty comes out exact; it prints the period with two significant digits, so the sample clock
# (the header's) is checked against S x f too.
pwm_check() { # pwm_check NAME VCD CHANNEL DUTY STEPS [CLOCK]: sigrok's duty and period on every period
    local vcd=$2 ds out
    ds=$(python3 -c "import re; print(re.search(r'(\d+) units per sample', open('$vcd').read()).group(1))")
    sigrok-cli -i "$vcd" -I "vcd:downsample=$ds" -P "pwm:data=ch$3" -A pwm=duty-cycle:period > "$work/pwm.txt" 2>&1
    out=$(python3 - "$vcd" "$4" "$5" "$work/pwm.txt" "${6:-0}" <<'PY'
import re
import sys
vcd, duty, steps = sys.argv[1], float(sys.argv[2]), int(sys.argv[3])
clock = int(re.search(r"sample clock (\d+) Hz", open(vcd).read()).group(1))
scale = {"s": 1, "ms": 1e-3, "μs": 1e-6, "us": 1e-6, "ns": 1e-9, "ps": 1e-12}
duties, periods, problems = [], [], []
for text in open(sys.argv[4], encoding="utf-8"):
    if text.startswith("srd:"):
        problems.append(text.strip())
    m = re.match(r"pwm-1: ([\d.]+)%", text)
    if m:
        duties.append(float(m.group(1)))
    m = re.match(r"pwm-1: ([\d.]+) (\S+)$", text.strip())
    if m:
        periods.append(float(m.group(1)) * scale[m.group(2)])
want = steps / clock
if int(sys.argv[5]) and clock != int(sys.argv[5]):
    problems.append("sample clock %d, want %s" % (clock, sys.argv[5]))
if len(duties) < 3:
    problems.append("%d periods decoded" % len(duties))
if any(abs(d - duty) > 1e-6 for d in duties):
    problems.append("duties %s, set %s" % (sorted(set(duties)), duty))
if any(abs(p - want) > want * 0.051 for p in periods) or not periods:
    problems.append("periods %s, want %g s" % (sorted(set(periods))[:3], want))
print("; ".join(problems) if problems else "ok %d periods" % len(duties))
PY
)
    if [[ $out == ok* ]]; then echo "ok   $1 ($out)"; else echo "FAIL $1: $out"; failures=$((failures + 1)); fi
}

# channel1 channel2 duty1 duty2 frequency unit steps | extra options
pwm_rows=(
    "0 1 37 81 250 KHz 100|"
    "4 11 1 99 1 MHz 100|"
    "15 3 12.5 0.1 50 KHz 1000|--fine"
    "2 9 50 25 9.6 KHz 100|"
    "7 6 99.9 33.3 4.1 KHz 1000|--fine"
)
for row in "${pwm_rows[@]}"; do
    IFS='|' read -r facts extra <<< "$row"
    read -r c1 c2 d1 d2 f unit steps <<< "$facts"
    name="pwm $facts $extra"
    # shellcheck disable=SC2086
    expect "$name runs" 0 "" -- "$qvtool" gen pwm --model 0xB016 --channel1 "$c1" --channel2 "$c2" --duty1 "$d1" \
        --duty2 "$d2" --frequency "$f" --unit "$unit" $extra --capture "$work/p.vcd" --max-samples $((30 + 6 * steps))
    clock=$(python3 -c "print(round($f * {'MHz': 1000000, 'KHz': 1000, 'Hz': 1}['$unit'] * $steps))")
    pwm_check "$name output 1" "$work/p.vcd" "$c1" "$d1" "$steps" "$clock"
    pwm_check "$name output 2" "$work/p.vcd" "$c2" "$d2" "$steps"
done

# 900 kHz at 1 % needs a 90 MHz clock: the nearby-clock question comes before output, and the
# period follows the clock taken.
expect "900 kHz at 1 % asks for a nearby clock" 0 "Can't generate this value, Default nearby?" -- \
    "$qvtool" gen pwm --model 0xB016 --frequency 900 --duty1 30 --duty2 70 --capture "$work/p.vcd" --max-samples 700
pwm_check "900 kHz at the nearby clock" "$work/p.vcd" 0 30 100 80000000

levels_check() { # levels_check NAME PYTHON-CONDITION VCD...: rows of ch0..ch15 as a and b
    local out
    out=$(PYTHONPATH="$lib" python3 - "$@" <<'PY'
import sys
from vcd_samples import samples, channel_bits
name, condition = sys.argv[1:3]
caps = []
for vcd in sys.argv[3:]:
    names, rows = samples(vcd)
    caps.append(channel_bits(names, rows, 0, 16))
a = caps[0]
b = caps[1] if len(caps) > 1 else None
print("ok" if eval(condition) else "levels differ: %s / %s" % (a[:60], b[:60] if b else ""))
PY
)
    if [[ $out == ok ]]; then echo "ok   $1"; else echo "FAIL $1: $out"; failures=$((failures + 1)); fi
}
expect "duty 0 and 100" 0 "" -- "$qvtool" gen pwm --model 0xB016 --channel1 5 --channel2 8 --duty1 0 --duty2 100 \
    --capture "$work/p.vcd" --max-samples 430
levels_check "0 % stays low, 100 % high from sample 30" \
    "a[:30] == [0] * 30 and a[30:] == [1 << 8] * (len(a) - 30) and len(a) == 430" "$work/p.vcd"

# The exported .qvv run as the Wave Editor runs it (behind its 12-sample prefix) plays what the
# direct output plays, looping or once (once, the direct capture ends where the sequencer waits for
# the key; the file's run holds the last level).
for options in "--duty1 37 --duty2 81 --frequency 250 --unit KHz" \
    "--channel1 12 --channel2 3 --duty1 12.5 --duty2 100 --fine --frequency 20 --unit KHz" \
    "--duty1 60 --duty2 10 --once" "--duty1 0 --duty2 45.6 --fine --once"; do
    # shellcheck disable=SC2086
    expect "pwm $options direct" 0 "" -- "$qvtool" gen pwm --model 0xB016 $options --capture "$work/d.vcd" \
        --max-samples 3030
    # shellcheck disable=SC2086
    expect "pwm $options export" 0 "" -- "$qvtool" gen pwm --model 0xB016 $options --export "$work/p.qvv" \
        --work-folder "$work"
    expect "pwm $options exported file runs" 0 "" -- "$qvtool" run "$work/p.qvv" --model 0xB016 \
        --capture "$work/r.vcd" --key-events 1 --max-samples 3042
    levels_check "pwm $options: the file plays the direct output" "a[30:] == b[42:len(a) + 12] and set(b[len(a) + 12:]) <= {a[-1]}" \
        "$work/d.vcd" "$work/r.vcd"
done

expect "same channel twice" 1 "Wrong Setting - the same channel to output!" -- \
    "$qvtool" gen pwm --model 0xB016 --channel1 4 --channel2 4 --capture "$work/x.vcd"
expect "1.5 MHz at 1 %" 1 "Out of range(Max. = 1 MHz)." -- \
    "$qvtool" gen pwm --model 0xB016 --frequency 1.5 --unit MHz --capture "$work/x.vcd"
expect "150 KHz at 0.1 %" 1 "Out of range(Max. = 100 KHz)." -- \
    "$qvtool" gen pwm --model 0xB016 --frequency 150 --fine --export "$work/x.qvv"
expect "duty over 100" 1 "The duty cycle must be a number from 0 to 100." -- \
    "$qvtool" gen pwm --model 0xB016 --duty2 100.5 --capture "$work/x.vcd"

exit $((failures > 0))

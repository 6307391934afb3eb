#!/usr/bin/env bash
# qvtool gen dmx512 and i2s on the virtual instrument, the captures checked by decoders nobody here
# wrote: sigrok's dmx512 (one run per packet, from its break) gives back the start code and every
# slot, and lib/dmx512_check.py checks D- against D+ and the break and mark lengths sample for
# sample; sigrok's i2s gives back every left and right word at each width with no warning, over at
# least three Repeat loops. Then Convert and a refusal of each tool.
# $1 is the qvtool executable.
set -u
qvtool=$1
. "$(dirname "$0")/lib/expect.sh"
lib=$(cd "$(dirname "$0")/lib" && pwd)
require_sigrok

random_bytes() { # random_bytes COUNT SEED: comma-separated hex
    python3 -c "import random, sys
r = random.Random(int(sys.argv[2]))
print(','.join('%02X' % r.randrange(256) for _ in range(int(sys.argv[1]))))" "$1" "$2"
}

dmx() { # dmx NAME PLUS RATE BREAK MAB MBB IFT REPEAT VALUES -- qvtool gen dmx512 options...
    local name=$1 facts=("${@:2:8}") out
    shift 10
    expect "$name runs" 0 "" -- "$qvtool" gen dmx512 "$@" --capture "$work/d.vcd"
    out=$(PYTHONPATH="$lib" python3 "$lib/dmx512_check.py" "$work/d.vcd" "${facts[@]}" 2>&1)
    if [[ $out == ok ]]; then echo "ok   $name decoded"; else echo "FAIL $name: $out"; failures=$((failures + 1)); fi
}

# Defaults: break 88 us = 22 bits, mark after break 8 us = 2, mark before break 400 ms = 100,000
# (a loop); sigrok needs a time of one bit between slots.
v=$(random_bytes 24 1)
dmx "defaults" 0 250000 22 2 100000 1 0 "$v" -- --model 0xC350 --values "$v" --inter-slot 4
# 600 values: two packets, a looped break of 1000 us, on the highest D+ of a 20-channel model,
# repeated; the values from a file as Generate Values reads it.
v=$(random_bytes 600 2)
tr ',' '\n' <<< "$v" > "$work/values.txt"
dmx "two packets, looped break, D+ 18, repeat" 18 250000 250 3 250 2 1 "$v" -- --model 0xC020 --plus 18 \
    --file "$work/values.txt" --inter-slot 8 --mbb 1 --break 1000 --mab 12 --repeat --max-samples 40000
# A slow rate, long times between slots (a loop after every slot), D+ 48 on a 50-channel model.
v=00,FF,55,AA,01,80
dmx "125 kbit/s, looped inter-slot time, D+ 48" 48 125000 25 4 500 220 1 "$v" -- --model 0xC350 --plus 48 \
    --rate 125 --values "$v" --inter-slot 880 --break 100 --mab 16 --mbb 2 --repeat --max-samples 12000
v=$(random_bytes 513 3)
dmx "one whole packet at 1 Mbit/s" 7 1000000 30 5 250 1 0 "$v" -- --model 0xB016 --plus 7 --rate 1 --unit M \
    --values "$v" --inter-slot 4 --break 120 --mab 20 --mbb 1

expect "random values are the seed's" 0 "" -- "$qvtool" gen dmx512 --model 0xC350 --random 0 --seed 9 --convert "$work/r1.qvv"
"$qvtool" gen dmx512 --model 0xC350 --random 0 --seed 9 --convert "$work/r2.qvv" > /dev/null 2>&1
if cmp -s "$work/r1.qvv" "$work/r2.qvv"; then echo "ok   same seed, same values"; else
    echo "FAIL same seed gave other values"; failures=$((failures + 1)); fi
expect "D+ 19 on a 20-channel model" 1 "Error channel setting" -- \
    "$qvtool" gen dmx512 --model 0xC020 --plus 19 --values 1 --capture "$work/x.vcd"
# The checks themselves are tested natively; here a refusal with its argument reaches the user.
expect "a value that is no byte" 1 "line 2 ('1FF')" -- \
    "$qvtool" gen dmx512 --model 0xC350 --values 1,1FF --capture "$work/x.vcd"
expect "Convert" 0 "" -- "$qvtool" gen dmx512 --model 0xC350 --plus 3 --values 1,2 --convert "$work/c.qvw"
expect "Convert's labels" 0 "DMX512_D-" -- "$qvtool" info "$work/c.qvw"

i2s() { # i2s NAME SCK WIDTH REPEAT WORDS-FILE -- qvtool gen i2s options...
    local name=$1 sck=$2 width=$3 repeat=$4 words=$5 out units
    shift 6
    expect "$name runs" 0 "" -- "$qvtool" gen i2s --data "$words" "$@" --capture "$work/i.vcd"
    units=$(sed -n 's/.* \([0-9]*\) units per sample.*/\1/p' "$work/i.vcd")
    out=$(sigrok-cli -i "$work/i.vcd" -I "vcd:downsample=$(((units + 9) / 10))" \
        -P "i2s:sck=ch$sck:ws=ch$((sck + 1)):sd=ch$((sck + 2))" -A i2s=left:right:warnings 2>&1 |
        python3 -c "
import re, sys
width, repeat = int(sys.argv[1]), int(sys.argv[2])
words = []
for statement in open(sys.argv[3]).read().split(';'):
    if ',' in statement:
        for part in statement.split(','):
            side, value = part.strip().split('=')
            words.append((side.strip()[0].upper(), int(value, 16)))
problems, got = [], []
for line in sys.stdin.read().splitlines():
    m = re.match(r'i2s-1: (Left|Right) channel: ([0-9a-f]+)$', line)
    if m:
        got.append((m.group(1)[0], int(m.group(2), 16)))
    else:
        problems.append('sigrok: ' + line)
wanted = [(side, value << (32 - width)) for side, value in words]
# The lead-in holds WS high: a right word first makes no change, and sigrok starts at the second.
skip = 1 if wanted[0][0] == 'R' else 0
loops = (len(got) + skip) // len(wanted)
expected = (wanted * (loops + 1))[skip:skip + len(got)] if repeat else wanted[skip:]
if got != expected:
    problems.append('words differ at %d' % next((k for k, (g, w) in enumerate(zip(got, expected)) if g != w), -1))
if repeat and loops < 3:
    problems.append('%d loops' % loops)
print('; '.join(problems[:3]) if problems else 'ok')
" "$width" "$repeat" "$words")
    if [[ $out == ok ]]; then echo "ok   $name decoded"; else echo "FAIL $name: $out"; failures=$((failures + 1)); fi
}

i2s_words() { # i2s_words PAIRS WIDTH SEED FILE
    python3 -c "import random, sys
pairs, width = int(sys.argv[1]), int(sys.argv[2])
r = random.Random(int(sys.argv[3]))
# Both ends of the width in every word: the top bit and the LSB set now and then.
top = lambda: r.randrange(1 << width) | (r.randrange(2) << (width - 1)) | r.randrange(2)
open(sys.argv[4], 'w').write(''.join('L=%X, R=%X;\n' % (top(), top()) for _ in range(pairs)))" "$@"
}

for width in 8 16 20 24 32; do
    i2s_words 5 "$width" "$width" "$work/w.txt"
    i2s "width $width, repeat" 3 "$width" 1 "$work/w.txt" -- --model 0xC350 --sck 3 --width "$width" --repeat \
        --max-samples 2200
done
i2s_words 3 32 7 "$work/w.txt"
i2s "width 32 once, the last LSB after the last slot" 13 32 0 "$work/w.txt" -- --model 0xB016 --sck 13 --width 32
i2s_words 4 24 8 "$work/w.txt"
i2s "preset 3.072 Mbps, width 24 once" 0 24 0 "$work/w.txt" -- --model 0xC350 --preset 3.072 --width 24
printf 'R=1234, L=ABCD;\nr = 0FFFF , l=5\n;' > "$work/w.txt"
i2s "right first, lower case, 250 KHz" 47 16 1 "$work/w.txt" -- --model 0xC350 --sck 47 --clock 250 --unit KHz \
    --repeat --max-samples 1200
expect "sample text" 0 "" -- "$qvtool" gen i2s --model 0xC350 --sample --capture "$work/x.vcd"
expect "a statement without its pair" 1 "statement 2 ('L=12')" -- \
    "$qvtool" gen i2s --model 0xC350 --words "L=1, R=2; L=12; L=3, R=4" --capture "$work/x.vcd"
expect "no Convert" 2 "has no Convert" -- "$qvtool" gen i2s --sample --convert "$work/x.qvw"

exit $((failures > 0))

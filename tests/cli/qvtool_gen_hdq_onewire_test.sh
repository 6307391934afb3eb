#!/usr/bin/env bash
# qvtool gen hdq|onewire end to end on a virtual instrument. HDQ has no free decoder:
# lib/hdq_onewire_reference.py reads the captures from the protocol's definition (break,
# recovery, bit low times and cycles of host and device, 7 address bits + R/W, 8 or 16 data bits
# least significant first) at rates across the range. 1-Wire at standard speed is read by sigrok's
# onewire_link + onewire_network (resets, presence, every byte, no warning); overdrive, and the
# timing limits at both speeds, by the same Python reader. Repeat over three loops, random lists
# from --seed, the refusals and the sample limit. $1 is the qvtool executable.
set -u
qvtool=$1
here=$(dirname "$0")
. "$here/lib/expect.sh"
require_sigrok
reference() { python3 "$here/lib/hdq_onewire_reference.py" "$@"; }

same() { # same NAME GOT WANTED
    if [[ "$2" == "$3" ]]; then echo "ok   $1"; else
        echo "FAIL $1: got '$2', wanted '$3'"; failures=$((failures + 1)); fi
}
checked() { # checked NAME REFERENCE-ARGS...: the reader's verdict
    local name=$1 out
    shift
    if out=$(reference "$@"); then echo "ok   $name ($out)"; else
        echo "FAIL $name"; echo "$out"; failures=$((failures + 1)); fi
}
clock() { sed -n 's/.*sample clock \([0-9]*\) Hz.*/\1/p' "$1"; }
periodic() { # periodic VCD CHANNEL COUNT TARGET LOOPS: the capture repeats with period COUNT - TARGET
    PYTHONPATH="$here/lib" python3 -c "
from vcd_samples import samples, channel_bits
names, rows = samples('$1'); s = channel_bits(names, rows, $2, 1); p = $3 - $4
print('ok' if len(s) >= $4 + $5 * p and all(s[$4 + k] == s[$4 + k + p] for k in range(($5 - 1) * p)) else 'not periodic')"
}

# ---- HDQ ------------------------------------------------------------------------------------------
printf '02h W 8 12h \r\n7Fh R 16 0001h 8000h \r\n00h R 8 A5h 5Ah FFh \r\n55h W 16 FFFFh 0000h \r\n' > "$work/hdq.txt"
for rate in 3.5 3.9 4 4.1 4.2 5 5.2 5.3 5.5; do
    expect "hdq runs at $rate kbit/s" 0 "waits for the key" -- "$qvtool" gen hdq --model 0xC350 --rate $rate \
        --list "$work/hdq.txt" --channel 7 --capture "$work/h.vcd"
    checked "hdq at $rate kbit/s: every transaction back within the timing limits" hdq "$work/h.vcd" 7 "$work/hdq.txt" 1
done
# The clocks where the rates' own numbers would break the limits: six samples a bit at 4.0, and
# 5.26 kbit/s (a 190 us cycle) the fastest.
"$qvtool" gen hdq --model 0xC350 --rate 4 --add --capture "$work/h.vcd" > /dev/null
same "hdq 4.0 kbit/s runs six samples a bit" "$(clock "$work/h.vcd")" 24000
"$qvtool" gen hdq --model 0xC350 --rate 5.5 --add --capture "$work/h.vcd" > /dev/null
same "hdq 5.5 kbit/s keeps a 190 us cycle" "$(clock "$work/h.vcd")" 26300

# Rows built by Add: the same-address question, HDQ16, the values typed.
expect "hdq add rows" 0 "" -- "$qvtool" gen hdq --model 0xCD16 --address 2 --values 12 --add --same yes --values 34,56 --add \
    --width 16 --rw R --address 7f --values "1 ABCD" --add --capture "$work/h.vcd"
printf '02h W 8 12h 34h 56h\n7Fh R 16 0001h ABCDh\n' > "$work/added.txt"
checked "hdq Add appends to the same address, HDQ16 sends sixteen bits" hdq "$work/h.vcd" 0 "$work/added.txt" 1

count=$("$qvtool" gen hdq --model 0xC350 --list "$work/hdq.txt" --capture "$work/once.vcd" | sed -n 's/Samples output: //p')
expect "hdq repeat loops" 0 "stopped at the sample limit" -- "$qvtool" gen hdq --model 0xC350 --list "$work/hdq.txt" --repeat \
    --capture "$work/r.vcd" --max-samples $((15 + 3 * (count - 15) + 4))
same "hdq repeat: period count - 15 over three loops" "$(periodic "$work/r.vcd" 0 "$count" 15 3)" ok
checked "hdq repeat: each transaction once a loop" hdq "$work/r.vcd" 0 "$work/hdq.txt" 3

"$qvtool" gen hdq --model 0xC350 --seed 9 --random 40 --width 16 --capture "$work/a.vcd" > /dev/null
"$qvtool" gen hdq --model 0xC350 --seed 9 --random 40 --width 16 --capture "$work/b.vcd" > /dev/null
"$qvtool" gen hdq --model 0xC350 --seed 10 --random 40 --width 16 --capture "$work/c.vcd" > /dev/null
same "hdq --random repeats with its seed" "$(cmp -s "$work/a.vcd" "$work/b.vcd" && echo same)" same
same "hdq --random differs with another seed" "$(cmp -s "$work/a.vcd" "$work/c.vcd" || echo differs)" differs
checked "hdq --random: 40 transactions within the limits" hdq "$work/a.vcd" 0 - 1
same "hdq --random: 40 of them" "$(reference hdq "$work/a.vcd" 0 - 1)" "ok 40 transactions"

expect "hdq refuses 5.6 kbit/s" 1 "HDQ transmission rate is over range" -- "$qvtool" gen hdq --model 0xC350 --rate 5.6 --add \
    --capture "$work/x.vcd"
expect "hdq refuses 3.4 kbit/s" 1 "HDQ transmission rate is over range" -- "$qvtool" gen hdq --model 0xC350 --rate 3.4 --add \
    --capture "$work/x.vcd"
expect "hdq refuses address 80" 1 "Wrong address!" -- "$qvtool" gen hdq --model 0xC350 --address 80 --add --capture "$work/x.vcd"
expect "hdq refuses 100 in HDQ8" 1 "Wrong data!" -- "$qvtool" gen hdq --model 0xC350 --values 100 --add --capture "$work/x.vcd"
expect "hdq refuses a bad line" 1 "Can't read line 1 (02h W 8 1FFh) of the list" -- "$qvtool" gen hdq --model 0xC350 --line "02h W 8 1FFh" \
    --capture "$work/x.vcd"
expect "hdq refuses the last channel + 1" 1 "Error channel setting" -- "$qvtool" gen hdq --model 0xB016 --channel 16 --add \
    --capture "$work/x.vcd"
expect "hdq runs on the last channel" 0 "" -- "$qvtool" gen hdq --model 0xB016 --channel 15 --add --capture "$work/x.vcd"
expect "hdq has no Convert" 2 "has no Convert" -- "$qvtool" gen hdq --model 0xC350 --add --convert "$work/x.qvw"
# 65,536 samples less 12: after the 16 idle samples a row of one HDQ8 value is 108 samples at
# 3.5 kbit/s (1 idle, 5 break, 1 recovery, 16 bits of 6, 5 idle): 606 rows fit, 607 do not.
expect "hdq fills the memory" 0 "Samples output: 65464" -- "$qvtool" gen hdq --model 0xB016 --rate 3.5 \
    $(for i in $(seq 606); do echo --add; done) --capture "$work/x.vcd"
expect "hdq refuses a list past the memory" 1 "Can't Run. Data is too big." -- "$qvtool" gen hdq --model 0xB016 --rate 3.5 \
    $(for i in $(seq 607); do echo --add; done) --capture "$work/x.vcd"
expect "hdq lists its options" 0 "--same yes|no" -- "$qvtool" gen hdq --help

# ---- 1-Wire ---------------------------------------------------------------------------------------
# What sigrok prints, one transaction a group: the bytes after each reset with presence.
sigrok_bytes() { # sigrok_bytes VCD CHANNEL
    sigrok-cli -i "$1" -I vcd -P "onewire_link:owr=ch$2,onewire_network" -A onewire_network,onewire_link=warnings \
        2> "$work/srd.err" | python3 -c "
import re, sys
groups = []
for line in sys.stdin:
    if 'Reset/presence: true' in line:
        groups.append([])
    elif re.search(r'(ROM command|Data|ROM error data): 0x', line) and groups:
        groups[-1].append(re.search(r'0x([0-9a-f]{2})', line).group(1).upper())
    else:
        groups.append(['unexpected: ' + line.strip()])
print('|'.join(' '.join(g) for g in groups))"
    if [[ -s $work/srd.err ]]; then echo "decoder: $(head -1 "$work/srd.err")"; fi
}
sent_bytes() { # sent_bytes LIST LOOPS
    python3 -c "
import sys; sys.path.insert(0, '$here/lib'); import hdq_onewire_reference as r
print('|'.join(r.onewire_expected(r.list_lines('$1')) * $2))"
}

# First bytes that sigrok's network layer reads as plain ROM commands (no ROM address follows).
printf 'W CC 44\r\nW CC BE\r\nR 1234 ABC 00CC 0102030405060708\r\nR A5 FF 00\r\nW CC\r\n' > "$work/ow.txt"
expect "onewire standard runs" 0 "waits for the key" -- "$qvtool" gen onewire --model 0xC350 --list "$work/ow.txt" --channel 4 \
    --capture "$work/o.vcd"
same "onewire standard: sigrok gives back every byte after each reset, no warning" "$(sigrok_bytes "$work/o.vcd" 4)" \
    "$(sent_bytes "$work/ow.txt" 1)"
checked "onewire standard: the timing limits" onewire "$work/o.vcd" 4 standard "$work/ow.txt" 1
expect "onewire overdrive runs" 0 "" -- "$qvtool" gen onewire --model 0xC350 --list "$work/ow.txt" --speed overdrive \
    --capture "$work/o.vcd"
checked "onewire overdrive: every byte within the overdrive limits" onewire "$work/o.vcd" 0 overdrive "$work/ow.txt" 1

expect "onewire add rows" 0 "" -- "$qvtool" gen onewire --model 0xC350 --values "CC 4E 1234" --add --rw R --values "ABC" --add \
    --channel 49 --capture "$work/o.vcd"
printf 'W CC 4E 1234\nR 0ABC\n' > "$work/added.txt"
same "onewire: each value in its own whole bytes" "$(sigrok_bytes "$work/o.vcd" 49)" "CC 4E 34 12|BC 0A"

for speed in standard overdrive; do
    count=$("$qvtool" gen onewire --model 0xC350 --speed $speed --list "$work/ow.txt" --capture "$work/once.vcd" |
        sed -n 's/Samples output: //p')
    expect "onewire $speed repeat loops" 0 "stopped at the sample limit" -- "$qvtool" gen onewire --model 0xC350 --speed $speed \
        --list "$work/ow.txt" --repeat --capture "$work/r.vcd" --max-samples $((19 + 3 * (count - 19) + 4))
    same "onewire $speed repeat: period count - 19 over three loops" "$(periodic "$work/r.vcd" 0 "$count" 19 3)" ok
    checked "onewire $speed repeat: each transaction once a loop" onewire "$work/r.vcd" 0 $speed "$work/ow.txt" 3
    if [[ $speed == standard ]]; then
        same "onewire standard repeat: sigrok reads three loops" "$(sigrok_bytes "$work/r.vcd" 0)" \
            "$(sent_bytes "$work/ow.txt" 3)"
    fi
done

"$qvtool" gen onewire --model 0xC350 --seed 4 --random 30 --speed overdrive --capture "$work/a.vcd" > /dev/null
"$qvtool" gen onewire --model 0xC350 --seed 4 --random 30 --speed overdrive --capture "$work/b.vcd" > /dev/null
same "onewire --random repeats with its seed" "$(cmp -s "$work/a.vcd" "$work/b.vcd" && echo same)" same
same "onewire --random overdrive: 30 transactions within the limits" "$(reference onewire "$work/a.vcd" 0 overdrive - 1)" \
    "ok 30 transactions"

expect "onewire refuses a bad value" 2 "--values" -- "$qvtool" gen onewire --model 0xC350 --values "CC 10000000000000000" --add \
    --capture "$work/x.vcd"
expect "onewire refuses a bad line" 1 "Can't read line 2 (R 0x12) of the list" -- "$qvtool" gen onewire --model 0xC350 --line "W CC" \
    --line "R 0x12" --capture "$work/x.vcd"
expect "onewire refuses the last channel + 1" 1 "Error channel setting" -- "$qvtool" gen onewire --model 0xC350 --channel 50 \
    --add --capture "$work/x.vcd"
expect "onewire has no Convert" 2 "has no Convert" -- "$qvtool" gen onewire --model 0xC350 --add --convert "$work/x.qvw"
# 65,536 samples less 12: after the 20 idle samples a row of one byte is 1,522 samples (5 idle,
# 981 of reset and presence, 8 slots of 67): 43 rows fit, 44 do not.
expect "onewire fills the memory" 0 "Samples output: 65466" -- "$qvtool" gen onewire --model 0xB016 \
    $(for i in $(seq 43); do echo --add; done) \
    --capture "$work/x.vcd"
expect "onewire refuses a list past the memory" 1 "Can't Run. Data is too big." -- "$qvtool" gen onewire --model 0xB016 \
    $(for i in $(seq 44); do echo --add; done) --capture "$work/x.vcd"
expect "onewire lists its options" 0 "--speed standard|overdrive" -- "$qvtool" gen onewire --help

echo "$failures failure(s)"
[[ $failures -eq 0 ]]

#!/usr/bin/env bash
# qvtool gen printer and binary on the virtual instrument. Printer port: sigrok's parallel decoder
# on the falling nSTROBE gives back every byte but the last (it never prints the last; the last is
# read at the last falling edge here), and a reader written from the port's timing checks setup,
# strobe width and hold on every byte, and that a BUSY held high (--ev1 A-B) holds the next strobe
# until BUSY drops. Binary file: sample i of the image is the file's bytes at (i x width) mod its
# padded length, little-endian, masked to the output width, over three Repeat loops.
# $1 is the qvtool executable.
set -u
qvtool=$1
here=$(dirname "$0")
lib=$(cd "$here/lib" && pwd)
. "$here/lib/expect.sh"
require_sigrok

result() { # result NAME OUTPUT: "ok" passes, anything else fails
    if [[ $2 == ok ]]; then echo "ok   $1"; else echo "FAIL $1: $2"; failures=$((failures + 1)); fi
}

# The bytes sigrok's parallel decoder reads on the falling edge of the strobe, as hex words.
parallel_bytes() { # parallel_bytes VCD HIGH STROBE
    local low=$(($2 - 7)) k pins=""
    for k in 0 1 2 3 4 5 6 7; do pins+=":d$k=ch$((low + k))"; done
    sigrok-cli -i "$1" -I vcd -P "parallel:clock_edge=falling:clk=ch$3$pins" 2> "$work/srd.err" |
        sed -n 's/^parallel-1: //p' | paste -sd' '
    if grep -q '^srd:' "$work/srd.err"; then echo "decoder failed: $(head -1 "$work/srd.err")"; fi
}

# check_printer VCD HIGH STROBE DATA_FILE [BUSY_FROM BUSY_TO]: every falling strobe finds the data
# stable for three samples before it and through the sample on which the strobe rises again; the
# strobe stays low two samples; the bytes strobed are the data (cyclically); the decoder's bytes
# are those strobes but the last; a BUSY high over [A, B) lets no strobe fall in (A + 1 .. B] and
# the byte waiting on it falls at B + 1.
check_printer() {
    local decoded
    decoded=$(parallel_bytes "$1" "$2" "$3")
    PYTHONPATH="$lib" python3 - "$@" "$decoded" <<'PY'
import sys
from vcd_samples import samples, channel_bits
vcd, high, strobe, data_file = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
busy = tuple(map(int, sys.argv[5:7])) if len(sys.argv) > 7 else None
decoded = sys.argv[-1].split()
data = open(data_file, "rb").read()
names, rows = samples(vcd)
d = channel_bits(names, rows, high - 7, 8)
s = channel_bits(names, rows, strobe, 1)
falls = [i for i in range(1, len(s)) if s[i - 1] == 1 and s[i] == 0]
problems = []
for k, f in enumerate(falls):
    rise = next((i for i in range(f, len(s)) if s[i] == 1), None)
    if rise is None or rise - f != 2:
        problems.append("strobe %d low for %s samples" % (k, None if rise is None else rise - f))
        continue
    if len(set(d[f - 3:rise + 1])) != 1:
        problems.append("byte %d: data not held from 3 samples before the strobe through its rise: %s"
                        % (k, d[f - 3:rise + 1]))
    if d[f] != data[k % len(data)]:
        problems.append("byte %d is %02x, wanted %02x" % (k, d[f], data[k % len(data)]))
if len(falls) < len(data):
    problems.append("%d strobes for %d bytes" % (len(falls), len(data)))
if decoded != ["%02x" % d[f] for f in falls[:-1]]:
    problems.append("sigrok read %s" % " ".join(decoded[:8]))
if busy:
    a, b = busy
    if any(a + 1 < f <= b for f in falls):
        problems.append("a strobe fell while BUSY was high")
    if b + 1 not in falls:
        problems.append("no strobe at %d, when BUSY dropped" % (b + 1))
print("; ".join(problems[:3]) if problems else "ok")
PY
}

# ---- printer port --------------------------------------------------------------------------------
printf 'AB' > "$work/ab.txt"
printf 'AB\r\n' > "$work/ab_lf.bin"
expect "printer AB with Line Feed: a stream of 12 + 24 + 10 samples, resting on the third last" 0 "Samples output: 44" -- \
    "$qvtool" gen printer --model 0xB016 --data "$work/ab.txt" --line-feed --capture "$work/p.vcd"
result "printer AB CR LF decodes, setup and hold" "$(check_printer "$work/p.vcd" 7 8 "$work/ab_lf.bin")"

python3 -c "import sys; sys.stdout.buffer.write(bytes(range(256)) + b'\x0c')" > "$work/all.bin"
python3 -c "import sys; sys.stdout.buffer.write(bytes(range(256)))" > "$work/all_raw.bin"
expect "printer every byte value from a file, data on 15..8, strobe on 2" 0 "" -- \
    "$qvtool" gen printer --model 0xB016 --file "$work/all_raw.bin" --form-feed --data-high 15 --strobe 2 \
    --select-in 0 --auto-feed 1 --capture "$work/p.vcd"
result "printer every byte value decodes, setup and hold" "$(check_printer "$work/p.vcd" 15 2 "$work/all.bin")"

printf 'HELLO, PRINTER' > "$work/hello.txt"
expect "printer BUSY high from 40 to 300 on Event 2" 0 "" -- \
    "$qvtool" gen printer --model 0xB016 --data "$work/hello.txt" --busy 2 --ev2 40-300 --capture "$work/p.vcd"
result "printer waits while BUSY is high" "$(check_printer "$work/p.vcd" 7 8 "$work/hello.txt" 40 300)"
expect "printer BUSY high twice" 0 "" -- \
    "$qvtool" gen printer --model 0xB016 --data "$work/hello.txt" --ev1 10-100,150-160 --capture "$work/p.vcd"
result "printer waits twice, from the first byte on" "$(check_printer "$work/p.vcd" 7 8 "$work/hello.txt" 150 160)"
expect "printer BUSY on Event 1 ignores Event 2" 0 "Samples output: 104" -- \
    "$qvtool" gen printer --model 0xB016 --data "$work/hello.txt" --ev2 10-1000 --capture "$work/p.vcd"
expect "printer BUSY that never drops holds the first byte" 0 "waits for an external event" -- \
    "$qvtool" gen printer --model 0xB016 --data "$work/hello.txt" --ev1 5 --capture "$work/p.vcd"

expect "printer Repeat loops in memory" 0 "sample limit" -- \
    "$qvtool" gen printer --model 0xB016 --data "$work/hello.txt" --repeat --max-samples 400 --capture "$work/p.vcd"
result "printer Repeat: every byte once a loop" "$(check_printer "$work/p.vcd" 7 8 "$work/hello.txt")"

# 11000 bytes need 66022 samples: more than the 65500 of a 64K model.
python3 -c "import sys; sys.stdout.buffer.write(bytes((i * 7 + 3) & 255 for i in range(11000)))" > "$work/big.bin"
expect "printer large data without Section: the question answered OK" 0 "To section data? (answered OK)" -- \
    "$qvtool" gen printer --model 0xB016 --file "$work/big.bin" --capture "$work/p.vcd"
result "printer sections carry on byte by byte" "$(check_printer "$work/p.vcd" 7 8 "$work/big.bin")"
expect "printer sections with Repeat run on cyclically" 0 "sample limit" -- \
    "$qvtool" gen printer --model 0xB016 --file "$work/big.bin" --section --repeat --max-samples 200000 \
    --capture "$work/p.vcd"
result "printer sections with Repeat: the data cyclically" "$(check_printer "$work/p.vcd" 7 8 "$work/big.bin")"
expect "printer strobe inside the data range" 1 "Channel Conflict!" -- \
    "$qvtool" gen printer --model 0xB016 --data "$work/ab.txt" --strobe 5 --capture "$work/p.vcd"
printf '' > "$work/empty.txt"
expect "printer with an empty file" 1 "Can't open file!" -- \
    "$qvtool" gen printer --model 0xB016 --file "$work/empty.txt" --capture "$work/p.vcd"

# ---- binary file ---------------------------------------------------------------------------------
# check_binary VCD FILE WIDTH BITS CHANNEL REPEAT: the prefix holds word 0; then sample i of the
# image is the padded data at (i x width) mod length, little-endian, masked; counted once the
# capture ends with the data; with Repeat it covers at least three loops.
check_binary() {
    PYTHONPATH="$lib" python3 - "$@" <<'PY'
import sys
from vcd_samples import samples, channel_bits
vcd, path = sys.argv[1:3]
a, b, c, repeat = map(int, sys.argv[3:7])
raw = open(path, "rb").read()
data = raw + bytes(-len(raw) % a)  # padded to whole groups
length = len(data)
def word(i):
    at = (i * a) % length
    chunk = (data + data)[at:at + 8] if at + 8 > length else data[at:at + 8]
    chunk = chunk[:a] + bytes(8 - min(a, 8))  # bytes of the group only
    return int.from_bytes(chunk[:8], "little") & ((1 << b) - 1)
names, rows = samples(vcd)
v = channel_bits(names, rows, c, b)
others = [r & ~(((1 << b) - 1) << names.index("ch%d" % c)) for r in rows]
n = length // a
while n < 8:
    n += length // a
problems = []
if v[:12] != [word(0)] * 12:
    problems.append("prefix %s" % v[:12])
image = v[12:]
for i, got in enumerate(image):
    if got != word(i):
        problems.append("sample %d: %x, wanted %x" % (i, got, word(i)))
        break
if any(others):
    problems.append("a channel outside the output width moved")
if repeat and len(image) < 3 * n:
    problems.append("only %d samples for three loops of %d" % (len(image), n))
if not repeat and len(image) != n:
    problems.append("%d samples, wanted %d" % (len(image), n))
print("; ".join(problems[:3]) if problems else "ok")
PY
}

binary_case() { # binary_case NAME MODEL FILE WIDTH BITS CHANNEL REPEAT [options...]
    local name=$1 model=$2 file=$3 a=$4 b=$5 c=$6 repeat=$7
    shift 7
    local extra=()
    [[ $repeat == 1 ]] && extra=(--repeat --max-samples 600)
    expect "binary $name runs" 0 "" -- "$qvtool" gen binary --model "$model" --file "$file" --data-width "$a" \
        --output-width "$b" --start-channel "$c" "${extra[@]}" "$@" --capture "$work/b.vcd"
    result "binary $name" "$(check_binary "$work/b.vcd" "$file" "$a" "$b" "$c" "$repeat")"
}

python3 -c "import sys; sys.stdout.buffer.write(bytes([0x12, 0x34, 0x56]))" > "$work/b3.bin"
python3 -c "import sys; sys.stdout.buffer.write(bytes([0xA1, 0xB2, 0xC3, 0xD4, 0xE5]))" > "$work/b5.bin"
python3 -c "import sys; sys.stdout.buffer.write(bytes((i * 37 + 11) & 255 for i in range(42)))" > "$work/b42.bin"
python3 -c "import sys; sys.stdout.buffer.write(bytes((i * 91 + 5) & 255 for i in range(100)))" > "$work/b100.bin"
python3 -c "import sys; sys.stdout.buffer.write(bytes((i * 13 + 1) & 255 for i in range(300)))" > "$work/b300.bin"
binary_case "3 bytes, width 1: 3 copies" 0xB016 "$work/b3.bin" 1 8 0 0
binary_case "3 bytes, width 1, Repeat: each word once a loop" 0xB016 "$work/b3.bin" 1 8 0 1
binary_case "5 bytes, width 2: padded, 3 copies" 0xB016 "$work/b5.bin" 2 16 0 0
binary_case "5 bytes, width 2, 12 bits on 4, Repeat" 0xB016 "$work/b5.bin" 2 12 4 1
binary_case "low nibble on channels 2..5" 0xB016 "$work/b300.bin" 1 4 2 0
binary_case "width 6 with 7 samples, Repeat" 0xC350 "$work/b42.bin" 6 45 5 1
binary_case "width 7 with 6 samples, Repeat" 0xC350 "$work/b42.bin" 7 50 0 1
binary_case "typed width 40 with 100 bytes, Repeat" 0xC350 "$work/b100.bin" 40 50 0 1
binary_case "width 3, 300 bytes, 20 bits on 30, Repeat" 0xC350 "$work/b300.bin" 3 20 30 1

expect "binary at 100 Hz" 0 "" -- "$qvtool" gen binary --model 0xB016 --file "$work/b3.bin" --frequency 100 --unit Hz \
    --capture "$work/b.vcd"
result "binary at 100 Hz: the capture's clock" "$(grep -q 'sample clock 100 Hz' "$work/b.vcd" && echo ok || echo "$(sed -n 2p "$work/b.vcd")")"
expect "binary 4.1 MHz is 4100000 Hz, no nearby question" 0 "" -- "$qvtool" gen binary --model 0xB016 --file "$work/b3.bin" \
    --frequency 4.1 --capture "$work/b.vcd"
result "binary 4.1 MHz: the capture's clock" "$(grep -q 'sample clock 4100000 Hz' "$work/b.vcd" && echo ok || echo "$(sed -n 2p "$work/b.vcd")")"
expect "binary data width 2 with output width 17" 1 "Data Width, Output Width or Start Channel Error!" -- \
    "$qvtool" gen binary --model 0xB016 --file "$work/b3.bin" --data-width 2 --output-width 17 --capture "$work/b.vcd"
expect "binary width past the last channel" 1 "Data Width, Output Width or Start Channel Error!" -- \
    "$qvtool" gen binary --model 0xB016 --file "$work/b3.bin" --output-width 8 --start-channel 9 --capture "$work/b.vcd"
expect "binary above the model's clock" 1 "Out of range." -- \
    "$qvtool" gen binary --model 0xB016 --file "$work/b3.bin" --frequency 101 --capture "$work/b.vcd"
expect "binary with an empty file" 1 "Can't open file!" -- \
    "$qvtool" gen binary --model 0xB016 --file "$work/empty.txt" --capture "$work/b.vcd"

exit $((failures > 0))

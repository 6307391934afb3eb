#!/usr/bin/env bash
# qvtool gen can|lin end to end: lists built with --add, --line and --list run on a virtual
# instrument; sigrok's can decoder (on CAN_Low) and uart + lin decoders read the captures back,
# the CRC-15 is recomputed from the decoded fields, and lib/bus_reference.py checks what the
# decoders do not (error frames, interframe spaces, CAN_High against CAN_Low, wake-ups, the last
# LIN frame) against the protocols written out independently. $1 is the qvtool executable.
set -u
qvtool=$1
here=$(dirname "$0")
. "$here/lib/expect.sh"
require_sigrok
reference() { python3 "$here/lib/bus_reference.py" "$@"; }

same() { # same NAME GOT WANTED
    if [[ "$2" == "$3" ]]; then echo "ok   $1"; else
        echo "FAIL $1"; diff <(echo "$2" | tr ' ' '\n') <(echo "$3" | tr ' ' '\n') | head -10; failures=$((failures + 1)); fi
}
# sigrok reads the VCD at about 10 rows per sample clock.
downsample() { local u; u=$(sed -n 's/.*Hz, \([0-9]*\) units per sample.*/\1/p' "$1"); echo $(( u / 10 > 0 ? u / 10 : 1 )); }
can_frames() { # can_frames VCD CHANNEL RATE: "FORMAT:ID:D|R DLC:DATA:CRC[:bad]" per frame
    sigrok-cli -I "vcd:downsample=$(downsample "$1")" -i "$1" -P "can:can_rx=$2:nominal_bitrate=$3" -A can=fields 2> "$work/srd.err" |
        reference can-crc
    if grep -q '^srd:' "$work/srd.err"; then echo "decoder failed: $(head -1 "$work/srd.err")"; fi
}
lin_words() { # lin_words VCD CHANNEL RATE VERSION
    sigrok-cli -I "vcd:downsample=$(downsample "$1")" -i "$1" -P "uart:rx=$2:baudrate=$3,lin:version=$4" -A lin 2> "$work/srd.err" |
        sed 's/^lin-1: //' | grep -v '^Break condition$' | paste -sd' '
    if grep -q '^srd:' "$work/srd.err"; then echo "decoder failed: $(head -1 "$work/srd.err")"; fi
}

# ---- CAN: the known frames ----------------------------------------------------------------------
expect "can default frame runs" 0 "waits for the key" -- "$qvtool" gen can --model 0xC350 --add --capture "$work/c.vcd"
same "can default frame decodes, CRC 416C" "$(can_frames "$work/c.vcd" ch1 400000)" "11:7C3:D8:1122334455667788:416C"
expect "can 123/08 runs" 0 "" -- "$qvtool" gen can --model 0xC350 --id 123 --bytes 08 --add --high 10 --rate 125 \
    --capture "$work/c.vcd"
same "can 123/08 decodes, CRC 1460 after its stuff bit" "$(can_frames "$work/c.vcd" ch11 125000)" "11:123:D1:08:1460"
# CRC 7FFF is a real CRC: accepted by Add, sent and decoded.
expect "can CRC 7FFF runs" 0 "" -- "$qvtool" gen can --model 0xC350 --id 030 --bytes fc --crc 7FFF --add --rate 1 --unit M \
    --capture "$work/c.vcd"
same "can CRC 7FFF decodes" "$(can_frames "$work/c.vcd" ch1 1000000)" "11:30:D1:FC:7FFF"
expect "can CRC 8000 refused" 1 "CRC overload! Change ID, DLC or Data." -- "$qvtool" gen can --model 0xC350 --crc 8000 --add \
    --capture "$work/x.vcd"
# CAN_High stops at channel count - 2: CAN_Low stays on a channel, off the output ports.
expect "can CAN_High 49 refused on 50 channels" 1 "Error channel setting" -- "$qvtool" gen can --model 0xC350 --high 49 --add \
    --capture "$work/x.vcd"
expect "can CAN_High 48 runs on 50 channels" 0 "" -- "$qvtool" gen can --model 0xC350 --high 48 --add --capture "$work/c.vcd"
same "can on channels 48/49 decodes" "$(can_frames "$work/c.vcd" ch49 400000)" "11:7C3:D8:1122334455667788:416C"

# ---- CAN: random lists at several rates, both formats, data and remote frames -------------------
for row in "1 125 K 0" "2 500 K 7" "3 1 M 20" "4 83.3 K 30"; do
    read -r seed rate unit high <<< "$row"
    hz=$(python3 -c "print(round($rate * {'K': 1000, 'M': 1000000}['$unit']))")
    # Good frames only: everything sigrok decodes, CRCs recomputed. (Remote frames with a DLC above
    # 0 are checked by the reference below: sigrok 0.7 reads data bytes after any DLC.)
    python3 - "$seed" > "$work/good.args" <<'EOF'
import random, sys
rng = random.Random(int(sys.argv[1]))
for k in range(12):
    ext = rng.random() < 0.5; remote = rng.random() < 0.3
    ident = rng.randrange(1 << 29) if ext else rng.randrange(1 << 11)
    args = ["--format", "29" if ext else "11", "--type", "remote" if remote else "data", "--id", "%X" % ident]
    dlc = rng.randrange(9)
    if remote: args += ["--dlc", "0"] # sigrok 0.7 reads data bytes after a remote frame's DLC
    else: args += ["--bytes", ",".join("%02x" % rng.randrange(256) for _ in range(dlc)) or "", "--dlc", str(dlc)]
    print("\n".join(args + ["--is", str(rng.randrange(3, 9)), "--add"]))
EOF
    mapfile -t good < "$work/good.args"
    expect "can random $rate $unit runs" 0 "" -- "$qvtool" gen can --model 0xC350 --rate "$rate" --unit "$unit" --high "$high" \
        "${good[@]}" --capture "$work/g.vcd"
    frames=$(can_frames "$work/g.vcd" "ch$((high + 1))" "$hz")
    same "can random $rate $unit: 12 frames decoded, CRCs right" "$(echo "$frames" | tr ' ' '\n' | grep -cv ':bad$')" "12"
    # Faulty frames and their error frames, sample by sample.
    reference can-plan "$seed" 14 "$work/plan.args" "$work/plan.json"
    mapfile -t plan < "$work/plan.args"
    expect "can faulty $rate $unit runs" 0 "" -- "$qvtool" gen can --model 0xC350 --rate "$rate" --unit "$unit" --high "$high" \
        "${plan[@]}" --capture "$work/f.vcd"
    same "can faulty $rate $unit samples" "$(reference can-check "$work/f.vcd" "ch$high" "ch$((high + 1))" "$work/plan.json")" ok
done

# Repeat over three loops: the loop body is samples 15 .. n-1 (the jump acts after sample n-1), so
# the capture repeats with period n - 15 and each frame decodes once per loop.
periodic() { # periodic VCD CHANNEL COUNT LOOPS: the samples from 15 repeat with period COUNT - 15
    python3 -c "
import sys; sys.path.insert(0, '$here/lib'); import bus_reference as r
s = r.vcd_samples('$1', ['$2'])['$2']; p = $3 - 15
print('ok' if len(s) >= 15 + $4 * p and all(s[15 + k] == s[15 + k + p] for k in range(($4 - 1) * p)) else 'not periodic')"
}
count=$("$qvtool" gen can --model 0xC350 --id 123 --bytes 08 --add --id 1ABCDEF --format 29 --type remote --dlc 0 --add \
    --capture "$work/once.vcd" | sed -n 's/Samples output: //p')
expect "can repeat loops" 0 "stopped at the sample limit" -- "$qvtool" gen can --model 0xC350 --id 123 --bytes 08 --add \
    --id 1ABCDEF --format 29 --type remote --dlc 0 --add --repeat --capture "$work/r.vcd" --max-samples $((15 + 3 * (count - 15) + 4))
same "can repeat: period n - 15 over three loops" "$(periodic "$work/r.vcd" ch1 "$count" 3)" ok
frames=$(can_frames "$work/r.vcd" ch1 400000)
same "can repeat decodes each frame once per loop" "$(echo "$frames" | tr ' ' '\n' | cut -d: -f1-3 | paste -sd' ')" \
    "11:123:D1 29:1ABCDEF:R0 11:123:D1 29:1ABCDEF:R0 11:123:D1 29:1ABCDEF:R0"

# Lines written by hand and lists from files: read with bounds, a bad line named.
printf 'DATA, 11, ID = 123, RTR = 0, DLC = 1, Data = 08 , CRC = 1460, CRC Deli = 1, ACK = 0, IS = 4.\r\nCRC Error: Active Error(CRC).\r\n\r\nREMOTE, 11, ID = 7C3, RTR = 1, DLC = 0, CRC = 0.\r\nCRC Error: Passive Error(CRC).\r\n' > "$work/list.txt"
expect "can --list runs" 0 "" -- "$qvtool" gen can --model 0xC350 --list "$work/list.txt" --capture "$work/l.vcd"
same "can --list decodes its good frame" "$(can_frames "$work/l.vcd" ch1 400000 | cut -d' ' -f1)" "11:123:D1:08:1460"
for bad in "DLC = 15, Data = 11 " "DLC = 8, Data = 11 22 " "DLC = 0, Data = , CRC = 1FFFF" "DLC = 0, Data = , CRC = 0, CRC Deli = 1, ACK = 0, IS = -5"; do
    line="DATA, 11, ID = 7C3, RTR = 0, $bad, CRC = 0, CRC Deli = 1, ACK = 0, IS = 4."
    expect "can line refused: $bad" 1 "Can't read line 2 (" -- "$qvtool" gen can --model 0xC350 --add --line "$line" \
        --capture "$work/x.vcd"
done
expect "can line without its fields refused" 1 "Can't read line 1 (" -- "$qvtool" gen can --model 0xC350 \
    --line "DATA, 11, ID = 7C3" --capture "$work/x.vcd"
expect "can huge interframe space is too big" 1 "Can't Run. Data is too big." -- "$qvtool" gen can --model 0xB016 \
    --is 1000000 --add --capture "$work/x.vcd"
expect "can faulty frame needs --error" 1 "give --error active or --error passive" -- "$qvtool" gen can --model 0xC350 \
    --is 2 --add --capture "$work/x.vcd"
expect "can convert" 0 "" -- "$qvtool" gen can --model 0xC350 --add --high 4 --convert "$work/can.qvw"
expect "can convert labels" 0 "CAN_Low  5" -- "$qvtool" info "$work/can.qvw"
expect "can lists options" 0 "--error active|passive" -- "$qvtool" gen can --help

# ---- LIN: the known frame in both checksum models -------------------------------------------------
expect "lin classic runs" 0 "waits for the key" -- "$qvtool" gen lin --model 0xC350 --id 21 --bytes '01;02;03;04' --add \
    --add --seed 1 --capture "$work/n.vcd"
same "lin 21 classic decodes (v1)" "$(lin_words "$work/n.vcd" ch0 2400 1 | cut -d' ' -f1-16)" \
    "Sync ID: 21 Parity: 1 (ok) Data: 0x01 Data: 0x02 Data: 0x03 Data: 0x04 Checksum: 0xF5"
expect "lin enhanced runs" 0 "" -- "$qvtool" gen lin --model 0xC350 --id 21 --bytes '01;02;03;04' --checksum enhanced --add \
    --add --rate 19.2 --unit K --channel 33 --capture "$work/n.vcd"
same "lin 21 enhanced decodes (v2)" "$(lin_words "$work/n.vcd" ch33 19200 2 | cut -d' ' -f1-16)" \
    "Sync ID: 21 Parity: 1 (ok) Data: 0x01 Data: 0x02 Data: 0x03 Data: 0x04 Checksum: 0x94"

# Random lists at several rates: the reference on every entry of a mixed list (wake-ups, sleep,
# frames with and without data); sigrok on lists of message frames (it reads a wake-up after a
# frame as its checksum, and the last frame of a capture never ends for it).
for row in "5 2400 bps 0" "6 9.6 K 12" "7 19200 bps 40"; do
    read -r seed rate unit channel <<< "$row"
    hz=$(python3 -c "print(round($rate * {'K': 1000, 'bps': 1}['$unit']))")
    reference lin-plan "$seed" 16 "$work/lin.args" "$work/lin.json"
    mapfile -t plan < "$work/lin.args"
    count=$("$qvtool" gen lin --model 0xC350 --rate "$rate" --unit "$unit" --channel "$channel" --seed "$seed" "${plan[@]}" \
        --capture "$work/m.vcd" | sed -n 's/Samples output: //p')
    same "lin random $rate $unit entries" "$(reference lin-check "$work/m.vcd" "ch$channel" "$work/lin.json" "$count")" ok
    reference lin-plan "$seed" 12 "$work/lin.args" "$work/lin.json" messages
    mapfile -t plan < "$work/lin.args"
    expect "lin random $rate $unit frames run" 0 "" -- "$qvtool" gen lin --model 0xC350 --rate "$rate" --unit "$unit" \
        --channel "$channel" --seed "$seed" "${plan[@]}" --capture "$work/m.vcd"
    wanted=$(python3 -c "
import json; e = json.load(open('$work/lin.json'))
print(' '.join('%02X:%s' % (m['bytes'][1] & 0x3F, ','.join('%02X' % b for b in m['response'])) for m in e[:-1]))")
    got=$(lin_words "$work/m.vcd" "ch$channel" "$hz" 2 | sed -e 's/ Sync /\n/g' -e 's/^Sync //' | python3 -c "
import re, sys
out = []
for frame in sys.stdin.read().split('\\n'):
    m = re.search(r'ID: ([0-9A-F]{2}) Parity: \d \(ok\)', frame)
    values = re.findall(r'(?:Data|Checksum): 0x([0-9A-F]{2})', frame)
    if m: out.append(m.group(1) + ':' + ','.join(values))
print(' '.join(out[:$(( 12 - 1 ))]))")
    same "lin random $rate $unit frames decode" "$got" "$wanted"
done

# Faulty frames as lines: hand-edited parity and checksum go out as written.
faulty='Message: TBRK = 13, TDEL = 1, ID = 21, P0 = 0, P1 = 1, NDATA = 4, Data = 01 02 03 04 , CKSUM = 00.'
expect "lin faulty line runs" 0 "" -- "$qvtool" gen lin --model 0xC350 --line "$faulty" --line "$faulty" --capture "$work/n.vcd"
same "lin faulty parity and checksum decode as written" "$(lin_words "$work/n.vcd" ch0 2400 1 | cut -d' ' -f1-19)" \
    "Sync P != 1 ID: 21 Parity: 2 (bad) Data: 0x01 Data: 0x02 Data: 0x03 Data: 0x04 Checksum: 0x00"

# Repeat over three loops: the frame and the wake-up once per loop, the same response space each time.
count=$("$qvtool" gen lin --model 0xC350 --id 3C --bytes '0;ff' --add --kind wakeup --add --seed 3 --capture "$work/once.vcd" |
    sed -n 's/Samples output: //p')
expect "lin repeat loops" 0 "stopped at the sample limit" -- "$qvtool" gen lin --model 0xC350 --id 3C --bytes '0;ff' --add \
    --kind wakeup --add --repeat --seed 3 --capture "$work/r.vcd" --max-samples $((15 + 3 * (count - 15) + 4))
same "lin repeat: period n - 15 over three loops" "$(periodic "$work/r.vcd" ch0 "$count" 3)" ok
same "lin repeat: three breaks decoded" "$(sigrok-cli -I "vcd:downsample=$(downsample "$work/r.vcd")" -i "$work/r.vcd" \
    -P uart:rx=ch0:baudrate=2400,lin:version=1 -A lin 2> /dev/null | grep -c 'Break condition')" 3

printf 'Go to Sleep.\r\nWake-up frame: Delimiter = x Bits.\r\n' > "$work/lin.txt"
expect "lin bad list line named" 1 "Can't read line 2 (" -- "$qvtool" gen lin --model 0xC350 --list "$work/lin.txt" \
    --capture "$work/x.vcd"
expect "lin huge break is too big" 1 "Can't Run. Data is too big." -- "$qvtool" gen lin --model 0xB016 \
    --line 'Message: TBRK = 1000000, TDEL = 1, ID = 1, P0 = 0, P1 = 0, NDATA = 2, Data = , CKSUM = .' --capture "$work/x.vcd"
expect "lin break and delimiter sum refused" 1 "The sum of the synbrk and the syndel are not large than 29." -- \
    "$qvtool" gen lin --model 0xC350 --break 20 --delimiter 10 --add --capture "$work/x.vcd"
expect "lin channel refused" 1 "Error channel setting" -- "$qvtool" gen lin --model 0xB016 --channel 16 --add --capture "$work/x.vcd"
expect "lin convert" 0 "" -- "$qvtool" gen lin --model 0xC350 --add --channel 3 --convert "$work/lin.qvw"
expect "lin convert labels" 0 "LIN  3" -- "$qvtool" info "$work/lin.qvw"
expect "lin lists options" 0 "--seed N" -- "$qvtool" gen lin --help

echo "$failures failure(s)"
[[ $failures -eq 0 ]]

#!/usr/bin/env bash
# qvtool gen smbus|pmbus end to end: every protocol of both tools' lists, composed with random fields
# by the tools' own options, runs on a virtual instrument; sigrok's i2c decoder reads the capture
# back, and lib/smbus_reference.py (the protocols written out from their public definitions)
# compares every start, repeated start, address with R/W, byte, ACK/NACK and stop and recomputes
# each PEC and block count from the decoded bytes. $1 is the qvtool executable.
set -u
qvtool=$1
here=$(dirname "$0")
. "$here/lib/expect.sh"
require_sigrok
reference() { python3 "$here/lib/smbus_reference.py" "$@"; }

same() { # same NAME GOT WANTED
    if [[ "$2" == "$3" ]]; then echo "ok   $1"; else
        echo "FAIL $1"; echo "  got:    $2" | cut -c1-300; echo "  wanted: $3" | cut -c1-300; failures=$((failures + 1)); fi
}
# sigrok reads the VCD at about 10 rows per sample clock.
downsample() { local u; u=$(sed -n 's/.*Hz, \([0-9]*\) units per sample.*/\1/p' "$1"); echo $(( u / 10 > 0 ? u / 10 : 1 )); }
decode() { # decode VCD SCL: sigrok's i2c annotations of SCL and SCL + 1
    sigrok-cli -I "vcd:downsample=$(downsample "$1")" -i "$1" -P "i2c:scl=ch$2:sda=ch$(($2 + 1))" \
        -A i2c=start:repeat-start:stop:ack:nack:address-read:address-write:data-read:data-write 2> "$work/srd.err"
    if grep -q '^srd:' "$work/srd.err"; then echo "decoder failed: $(head -1 "$work/srd.err")"; fi
}
events() { decode "$1" "$2" | reference events; }

# ---- the known lines --------------------------------------------------------------------------------
expect "smbus send byte with PEC runs" 0 "waits for the key" -- "$qvtool" gen smbus --model 0xC350 --protocol 2 \
    --bytes '5A;' --add --capture "$work/s.vcd"
same "smbus 20 5A gives PEC 2F" "$(events "$work/s.vcd" 0)" "S AW:10 ACK DW:5A ACK DW:2F ACK P"
expect "smbus read word with PEC runs" 0 "" -- "$qvtool" gen smbus --model 0xC350 --protocol 12 --bytes '34;12;' --add \
    --clock 7 --capture "$work/s.vcd"
same "smbus read word 20 20 21 34 12 gives PEC 51" "$(events "$work/s.vcd" 7)" \
    "S AW:10 ACK DW:20 ACK Sr AR:10 ACK DR:34 ACK DR:12 ACK DR:51 NACK P"
# A line as written: its last token counts without a trailing blank; a token that is no keyword
# and holds no hexadecimal digit sends 8 zero bits.
expect "smbus hand-written line runs" 0 "" -- "$qvtool" gen smbus --model 0xC350 --line 'S ADDR=3A R ACK XY ACK C3 NACK P' \
    --capture "$work/s.vcd"
same "smbus hand-written line decodes, its stop too" "$(events "$work/s.vcd" 0)" "S AR:3A ACK DR:00 ACK DR:C3 NACK P"

# ---- every protocol of both lists, random fields, several rates and channels --------------------
for row in "smbus 1 100 K 0 0xC350" "smbus 2 400 K 23 0xC350" "smbus 3 1 M 48 0xC350" "smbus 4 10 K 14 0xB016" \
    "pmbus 5 100 K 0 0xC350" "pmbus 6 1 M 31 0xC350" "pmbus 7 50 K 18 0xC020"; do
    read -r tool seed rate unit clock model <<< "$row"
    reference plan "$tool" "$seed" "$work/plan.args" "$work/plan.json"
    mapfile -t plan < "$work/plan.args"
    expect "$tool all protocols at $rate $unit on $clock runs" 0 "" -- "$qvtool" gen "$tool" --model "$model" --rate "$rate" \
        --unit "$unit" --clock "$clock" "${plan[@]}" --capture "$work/p.vcd"
    same "$tool all protocols at $rate $unit on $clock decode, PECs and counts right" \
        "$(decode "$work/p.vcd" "$clock" | reference check "$work/plan.json")" ok
done

# ---- Repeat over three loops: the loop body is samples 19 .. n-1 --------------------------------
reference plan smbus 8 "$work/plan.args" "$work/plan.json"
mapfile -t plan < "$work/plan.args"
count=$("$qvtool" gen smbus --model 0xC350 "${plan[@]}" --capture "$work/once.vcd" | sed -n 's/Samples output: //p')
expect "smbus repeat loops" 0 "stopped at the sample limit" -- "$qvtool" gen smbus --model 0xC350 "${plan[@]}" --repeat \
    --capture "$work/r.vcd" --max-samples $((19 + 3 * (count - 19) + 2))
same "smbus repeat: period n - 19 over three loops" "$(python3 -c "
import sys; sys.path.insert(0, '$here/lib'); import vcd_samples as v
names, rows = v.samples('$work/r.vcd'); p = $count - 19
print('ok' if len(rows) >= 19 + 3 * p and all(rows[19 + k] == rows[19 + k + p] for k in range(2 * p)) else 'not periodic')")" ok
same "smbus repeat decodes every transaction once per loop" \
    "$(decode "$work/r.vcd" 0 | reference check "$work/plan.json" 3)" ok

# ---- lists from files, refusals -----------------------------------------------------------------
printf 'S ADDR=10 W ACK 5A ACK P \r\nS ADDR=11 R ACK 01 NACK P\r\n' > "$work/list.txt"
expect "smbus --list runs" 0 "" -- "$qvtool" gen smbus --model 0xC350 --list "$work/list.txt" --capture "$work/l.vcd"
same "smbus --list decodes both lines" "$(events "$work/l.vcd" 0)" "S AW:10 ACK DW:5A ACK P S AR:11 ACK DR:01 NACK P"
printf 'S ADDR=10 W ACK P \r\nS ADDR=10  W ACK P \r\n' > "$work/bad.txt"
expect "a line with an empty cell is named" 1 "Can't read line 2 (S ADDR=10  W ACK P )" -- "$qvtool" gen pmbus \
    --model 0xC350 --list "$work/bad.txt" --capture "$work/x.vcd"
expect "a value wider than 32 bits is named" 1 "Can't read line 1 (" -- "$qvtool" gen smbus --model 0xC350 \
    --line 'S ADDR=123456789 W ACK P' --capture "$work/x.vcd"
items32=$(printf 'A5;%.0s' {1..32})
expect "32 block items run" 0 "" -- "$qvtool" gen smbus --model 0xC350 --protocol 15 --bytes "$items32" --add --capture "$work/x.vcd"
expect "33 block items refused" 1 "Data is large than 32 bytes." -- "$qvtool" gen smbus --model 0xC350 --protocol 15 \
    --bytes "${items32}01;" --add --capture "$work/x.vcd"
expect "a 33-item write part refused too" 1 "Data is large than 32 bytes." -- "$qvtool" gen smbus --model 0xC350 \
    --protocol 19 --bytes "${items32}01;" --sr --bytes '01;' --add --capture "$work/x.vcd"
expect "a data item that is no byte refused" 1 "Each data item must be a hexadecimal byte" -- "$qvtool" gen smbus \
    --model 0xC350 --protocol 1 --bytes '100;' --add --capture "$work/x.vcd"
expect "a group command left under way refused" 1 "end it with Ok first" -- "$qvtool" gen pmbus --model 0xC350 \
    --bytes '01;' --sr --capture "$work/x.vcd"
expect "an empty list says so" 1 "The packet list is empty" -- "$qvtool" gen smbus --model 0xC350 --capture "$work/x.vcd"
# The clock checked is the sample clock, four times the rate: 25 MHz fits a 100 MHz model, 25.1 does not.
expect "smbus 25 MHz runs on a 100 MHz model" 0 "" -- "$qvtool" gen smbus --model 0xC350 --rate 25 --unit M \
    --line 'S P' --capture "$work/x.vcd"
expect "smbus 25.1 MHz refused (4f above the maximum)" 1 "Out of range." -- "$qvtool" gen smbus --model 0xC350 \
    --rate 25.1 --unit M --line 'S P' --capture "$work/x.vcd"
expect "smbus clock 15 refused on 16 channels" 1 "Error channel setting" -- "$qvtool" gen smbus --model 0xB016 --clock 15 \
    --line 'S P' --capture "$work/x.vcd"
# 0xB016 holds 65,536 samples: a list of 1,500 block writes does not fit and is refused whole.
block=$(python3 -c "print('S ADDR=10 W ACK CMD=20 ACK BYTECOUNT=20 ACK ' + 'A5 ACK ' * 32 + 'P ')")
yes "$block" | head -1500 | sed 's/$/\r/' > "$work/big.txt"
expect "smbus list too big for the memory" 1 "Can't Run. Data is too big." -- "$qvtool" gen smbus --model 0xB016 \
    --list "$work/big.txt" --capture "$work/x.vcd"
expect "smbus convert" 0 "" -- "$qvtool" gen smbus --model 0xC350 --line 'S P' --clock 4 --convert "$work/s.qvw"
expect "smbus convert labels" 0 "SMBDATA  5" -- "$qvtool" info "$work/s.qvw"
expect "smbus lists options and protocols" 0 "20  Block Write - Block Read Process Call with PEC" -- "$qvtool" gen smbus --help
expect "pmbus lists options" 0 "--extension HEX" -- "$qvtool" gen pmbus --help

echo "$failures failure(s)"
[[ $failures -eq 0 ]]

#!/usr/bin/env bash
# qvtool gen usb end to end: packet lists built with --add, --line, --list and --sample run on a
# virtual instrument; sigrok's usb_signalling + usb_packet decoders (full speed) read the captures
# back, lib/usb_reference.py recomputes every CRC5 and CRC16 from the decoded fields and measures
# SOF to SOF from the line states. Captures at other rates are re-timed to full-speed bit times
# first. $1 is the qvtool executable.
set -u
qvtool=$1
here=$(dirname "$0")
. "$here/lib/expect.sh"
require_sigrok
reference() { python3 "$here/lib/usb_reference.py" "$@"; }

same() { # same NAME GOT WANTED
    if [[ "$2" == "$3" ]]; then echo "ok   $1"; else
        echo "FAIL $1"; diff <(echo "$2") <(echo "$3") | head -10; failures=$((failures + 1)); fi
}
# The packets of a capture with D+ on channel DP: "PID fields CRC" per packet, errors named.
usb_packets() { # usb_packets VCD DP
    local vcd=$1
    if ! grep -q "sample clock 12000000 Hz" "$vcd"; then
        reference retime "$vcd" "$work/retimed.vcd" "$2"
        vcd=$work/retimed.vcd
    fi
    sigrok-cli -I vcd:downsample=8333 -i "$vcd" \
        -P "usb_signalling:dp=ch$2:dm=ch$(($2 + 1)):signalling=full-speed,usb_packet:signalling=full-speed" \
        -A usb_packet 2> "$work/srd.err" | reference packets | paste -sd'|'
    if grep -q '^srd:' "$work/srd.err"; then echo "decoder failed: $(head -1 "$work/srd.err")"; fi
}
clock_of() { sed -n 's/.*sample clock \([0-9]*\) Hz.*/\1/p' "$1"; }

sample='SOF 288 1|SETUP 1 0 17|DATA0 C0 0C 84 00 00 00 01 00 60E|ACK|SOF 289 1E|OUT 1 2 3|DATA0 5A 0F 66 01 EC06|ACK'

# ---- the built-in sample at full speed: every packet, its CRCs, 1 ms between the SOFs ------------
expect "usb sample runs" 0 "waits for the key" -- "$qvtool" gen usb --model 0xC350 --sample --capture "$work/s.vcd"
same "usb sample decodes with good CRCs" "$(usb_packets "$work/s.vcd" 0)" "$sample"
same "usb sample: SOF to SOF 12,000 samples" "$(reference sof-spacing "$work/s.vcd" 0)" "12000"

# ---- packets added as Edit Packet adds them: CRCs computed, zero-length data, bit stuffing --------
added=(--frame 288 --add --pid SETUP --address 1 --endpoint 0 --add --pid DATA0 --bytes 'C0;C;84;0;0;0;1;0;' --add
    --pid ACK --add --pid DATA1 --add --pid DATA0 --add --pid IN --address 7f --endpoint f --add --pid NACK --add
    --pid DATA1 --bytes 'FF;FF;FF;' --add --pid STALL --add --pid SOF --frame 7FF --add --pid SOF --frame 0 --add)
# The CRCs of IN 7F/F, DATA1 FF FF FF, SOF 7FF and SOF 0 are the reference's own (it recomputes each).
wanted='SOF 288 1|SETUP 1 0 17|DATA0 C0 0C 84 00 00 00 01 00 60E|ACK|DATA1 0|DATA0 0|IN 7F F 2|NAK|DATA1 FF FF FF FDFD|STALL|SOF 7FF 2|SOF 0 8'
for row in "12 M 0 0xC350" "12 M 48 0xC350" "1 M 3 0xC350" "100 M 7 0xC350" "200 M 1 0xCD16" "1.7 M 2 0xC350"; do
    read -r rate unit dp model <<< "$row"
    expect "usb packets at $rate $unit on ch$dp run" 0 "" -- "$qvtool" gen usb --model "$model" --rate "$rate" --unit "$unit" \
        --channel "$dp" "${added[@]}" --capture "$work/a.vcd"
    same "usb packets at $rate $unit decode with good CRCs" "$(usb_packets "$work/a.vcd" "$dp")" "$wanted"
    # Three SOFs: the frame gap makes 1 ms of the clock used, whatever the frame holds.
    ms=$(($(clock_of "$work/a.vcd") / 1000))
    same "usb SOF to SOF at $rate $unit is 1 ms" "$(reference sof-spacing "$work/a.vcd" "$dp")" "$ms $ms"
done

# ---- lists from files: a last token without its blank, lower case; a bad line named ---------------
printf 'SYNC SOF 288   1   EOP\r\nsync setup  1 0 17   eop \r\n\r\nSYNC DATA0      0 EOP\n' > "$work/list.txt"
expect "usb --list runs" 0 "" -- "$qvtool" gen usb --model 0xC350 --list "$work/list.txt" --capture "$work/l.vcd"
same "usb --list decodes" "$(usb_packets "$work/l.vcd" 0)" "SOF 288 1|SETUP 1 0 17|DATA0 0"
printf 'SYNC SOF 288   1   EOP \r\nSYNC SETUP 1 0 17   EOP \r\nSYNC ACK       EOP \r\n' > "$work/bad.txt"
expect "usb list line with eight cells refused by number" 1 "Can't read line 2 (SYNC SETUP 1 0 17   EOP ) of the list." -- "$qvtool" gen usb \
    --model 0xC350 --list "$work/bad.txt" --capture "$work/x.vcd"
expect "usb line with ten cells refused" 1 "Can't read line 1 " -- "$qvtool" gen usb --model 0xC350 \
    --line 'SYNC ACK        EOP ' --capture "$work/x.vcd"

# ---- refusals ----------------------------------------------------------------------------------
expect "usb SOF without a frame number refused" 1 "Wrong Setting!" -- "$qvtool" gen usb --model 0xC350 --add \
    --capture "$work/x.vcd"
expect "usb token without an endpoint refused" 1 "Wrong Setting!" -- "$qvtool" gen usb --model 0xC350 --pid OUT \
    --address 1 --add --capture "$work/x.vcd"
expect "usb D+ 49 refused on 50 channels" 1 "Error channel setting" -- "$qvtool" gen usb --model 0xC350 --channel 49 \
    --sample --capture "$work/x.vcd"
expect "usb D+ 15 refused on 16 channels" 1 "Error channel setting" -- "$qvtool" gen usb --model 0xB016 --channel 15 \
    --sample --capture "$work/x.vcd"
expect "usb rate above the maximum refused" 1 "Out of range." -- "$qvtool" gen usb --model 0xC350 --rate 101 --sample \
    --capture "$work/x.vcd"
# 64K samples hold six SOFs 1 ms apart at 12 MHz (20 + 5 x 12,000 + 44 samples), not seven.
frames=()
for f in 1 2 3 4 5 6 7; do frames+=(--frame "$f" --add); done
expect "usb six frames fit 64K samples" 0 "" -- "$qvtool" gen usb --model 0xB016 "${frames[@]:0:18}" --capture "$work/x.vcd"
expect "usb seven frames do not" 1 "Can't Run. Data is too big." -- "$qvtool" gen usb --model 0xB016 "${frames[@]}" \
    --capture "$work/x.vcd"

# ---- Repeat: the loop body is samples 19 .. n-1 --------------------------------------------------
count=$("$qvtool" gen usb --model 0xC350 --pid ACK --add --capture "$work/once.vcd" | sed -n 's/Samples output: //p')
expect "usb repeat loops" 0 "stopped at the sample limit" -- "$qvtool" gen usb --model 0xC350 --pid ACK --add --repeat \
    --capture "$work/r.vcd" --max-samples $((19 + 3 * (count - 19) + 4))
same "usb repeat: an ACK per loop" "$(usb_packets "$work/r.vcd" 0)" "ACK|ACK|ACK"

expect "usb convert" 0 "" -- "$qvtool" gen usb --model 0xC350 --sample --channel 4 --convert "$work/usb.qvw"
expect "usb convert labels" 0 "USB_D-  5" -- "$qvtool" info "$work/usb.qvw"
expect "usb lists options" 0 "--bytes HEX;HEX;..." -- "$qvtool" gen usb --help

echo "$failures failure(s)"
[[ $failures -eq 0 ]]

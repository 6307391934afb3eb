#!/usr/bin/env bash
# qvtool gen end to end: each generator's Run path through the output engine on a virtual
# instrument, the capture decoded by sigrok's own protocol decoders (an independent reader of
# UART, I2C and SPI), for the tools' sample texts and for random data under several settings;
# and the Convert path read back the same way.
# $1 is the qvtool executable.
set -u
qvtool=$1
. "$(dirname "$0")/lib/expect.sh"
require_sigrok
RANDOM=4242

same() { # same NAME GOT WANTED
    if [[ "$2" == "$3" ]]; then echo "ok   $1"; else
        echo "FAIL $1"; diff <(echo "$2" | tr ' ' '\n') <(echo "$3" | tr ' ' '\n') | head -10; failures=$((failures + 1)); fi
}

# Decoder annotations of a capture, one word each: sigrok reads the VCD at a rate of about 16
# rows per sample clock (the capture's comment names the units per clock).
decode() { # decode VCD DECODER-SPEC ANNOTATIONS
    local units ds
    units=$(sed -n 's/.*Hz, \([0-9]*\) units per sample.*/\1/p' "$1")
    ds=$((units / 16)); ((ds < 1)) && ds=1
    sigrok-cli -I "vcd:downsample=$ds" -i "$1" -P "$2" -A "$3" 2>/dev/null | sed 's/^[a-z0-9]*-1: //' | tr '\n' ' ' | sed 's/ $//'
}
# I2C traffic without the bit and acknowledge annotations: "S AW:12 DW:10 P ...".
i2c_words() { # i2c_words VCD SCL SDA
    decode "$1" "i2c:scl=$2:sda=$3" i2c | tr ' ' '\n' | paste -sd' ' |
        sed -e 's/Address write: /AW:/g' -e 's/Address read: /AR:/g' -e 's/Data write: /DW:/g' -e 's/Data read: /DR:/g' \
            -e 's/Start repeat/Sr/g' -e 's/Start/S/g' -e 's/Stop/P/g' |
        tr ' ' '\n' | grep -E '^(S|Sr|P|AW:..|AR:..|DW:..|DR:..)$' | paste -sd' '
}
hexbytes() { od -An -tx1 -v | tr -s ' \n' ' ' | sed 's/^ //; s/ $//' | tr 'a-f' 'A-F'; }

# ---- UART ---------------------------------------------------------------------------------------
printf 'A' > "$work/a.txt"
expect "uart 8N1 runs" 0 "waits for the key" -- "$qvtool" gen uart --model 0xC350 --data "$work/a.txt" --capture "$work/u.vcd"
same "uart 8N1 A decodes" "$(decode "$work/u.vcd" uart:rx=port0:baudrate=9600 uart=rx-data)" "41"

# Random characters under several settings; the decoder runs at the clock actually output.
# baud, line rate (the sample clock, or half of it with 1.5 stop bits), data bits, parity, stop bits
# (ours, sigrok's), port, what sigrok reads
settings=(
    "115200 115000 8 even 2 1.0 1 rx=port1"
    "57600 57600 7 odd 1 1.0 different rx=port1:invert_rx=yes"
    "921600 921875 8 mark 1 1.0 both rx=port0"
    "19200 19200 5 space 1.5 1.5 0 rx=port0"
    "3000000 3000000 9 none 3 1.0 0 rx=ch5"
)
declare -A parity_of=([none]=none [even]=even [odd]=odd [mark]=one [space]=zero)
for row in "${settings[@]}"; do
    read -r baud clock bits parity stop sstop port rx <<< "$row"
    values=()
    for ((k = 0; k < 60; k++)); do values+=("$(printf '%X' $((RANDOM % (1 << bits))))"); done
    (IFS=$'\n'; printf '%s' "${values[*]}") > "$work/values.txt"
    bytesper=1; ((bits > 8)) && bytesper=2
    expect "uart $baud ${bits}${parity:0:1}$stop runs" 0 "waits for the key" -- "$qvtool" gen uart --model 0xC350 \
        --data "$work/values.txt" --format hex --baud "$baud" --data-bits "$bits" --parity "$parity" --stop-bits "$stop" \
        --port "$port" --sync-channel 5 --capture "$work/r.vcd"
    wanted=$(for v in "${values[@]}"; do printf '%02X ' $((16#$v)); done | sed 's/ $//')
    ((bits > 8)) && wanted=$(for v in "${values[@]}"; do printf '%03X ' $((16#$v)); done | sed 's/ $//')
    same "uart $baud ${bits}${parity:0:1}$stop decodes" \
        "$(decode "$work/r.vcd" "uart:$rx:baudrate=$clock:data_bits=$bits:parity=${parity_of[$parity]}:stop_bits=$sstop" uart=rx-data)" \
        "$wanted"
    # The data alone would not show a wrong parity bit or a short stop bit: sigrok says so apart.
    same "uart $baud ${bits}${parity:0:1}$stop has no parity or frame errors" \
        "$(decode "$work/r.vcd" "uart:$rx:baudrate=$clock:data_bits=$bits:parity=${parity_of[$parity]}:stop_bits=$sstop" uart=rx-parity-err:rx-warnings)" \
        ""
done

# More characters than a 64K model holds: sections, one buffer after another, all of them sent.
head -c 9000 /dev/urandom | od -An -tx1 -v | tr -s ' \n' '\n' | grep . | head -7000 > "$work/many.hex"
python3 -c "import sys; sys.stdout.buffer.write(bytes(int(l,16) % 95 + 32 for l in open('$work/many.hex')))" > "$work/many.txt"
expect "uart sections run" 0 "waits for the key" -- "$qvtool" gen uart --model 0xA020 --data "$work/many.txt" --baud 115200 \
    --capture "$work/sec.vcd"
same "uart sections decode whole" "$(decode "$work/sec.vcd" uart:rx=port0:baudrate=115000 uart=rx-data)" "$(hexbytes < "$work/many.txt")"
expect "uart sections asked" 0 "To section data? (answered OK)" -- "$qvtool" gen uart --model 0xA020 --data "$work/many.txt" \
    --capture "$work/sec.vcd"

printf 'Hi' > "$work/hi.txt"
expect "uart repeat loops" 0 "stopped at the sample limit" -- "$qvtool" gen uart --model 0xC350 --data "$work/hi.txt" --repeat \
    --capture "$work/rep.vcd" --max-samples 200
same "uart repeat decodes" "$(decode "$work/rep.vcd" uart:rx=port0:baudrate=9600 uart=rx-data | cut -d' ' -f1-8)" "48 69 48 69 48 69 48 69"
# Sections with Repeat never end by themselves: the sample limit counts the whole run and ends it.
expect "uart sections with repeat end at the limit" 0 "Samples output: 150000" -- timeout 120 "$qvtool" gen uart \
    --model 0xA020 --data "$work/many.txt" --baud 115200 --repeat --capture "$work/secrep.vcd" --max-samples 150000
expect "uart sections with repeat stop at the limit" 0 "stopped at the sample limit" -- timeout 120 "$qvtool" gen uart \
    --model 0xA020 --data "$work/many.txt" --baud 115200 --repeat --capture "$work/secrep.vcd" --max-samples 150000
same "uart sections with repeat decode up to the limit" \
    "$(decode "$work/secrep.vcd" uart:rx=port0:baudrate=115000 uart=rx-data | cut -d' ' -f1-1000)" \
    "$(hexbytes < "$work/many.txt" | cut -d' ' -f1-1000)"
# Options before `gen` count as after it.
expect "options before gen" 0 "Samples output: 200" -- "$qvtool" --model 0xC350 --max-samples 200 --key-events 0 gen uart \
    --data "$work/hi.txt" --repeat --capture "$work/rep.vcd"
expect "uart 1.5 stop bits need 5 data bits" 1 "Error parameter setting" -- "$qvtool" gen uart --model 0xC350 --data "$work/a.txt" \
    --stop-bits 1.5 --capture "$work/x.vcd"
expect "uart has no convert" 2 "has no Convert" -- "$qvtool" gen uart --data "$work/a.txt" --convert "$work/x.qvw"
expect "uart bad value" 2 "Bad value for --parity: maybe" -- "$qvtool" gen uart --parity maybe --capture "$work/x.vcd"

# ---- I2C ----------------------------------------------------------------------------------------
expect "i2c 7-bit sample runs" 0 "waits for the key" -- "$qvtool" gen i2c --model 0xC350 --sample --out custom --scl 0 \
    --capture "$work/i.vcd"
same "i2c 7-bit sample decodes" "$(i2c_words "$work/i.vcd" ch0 ch1)" \
    "S AW:12 DW:10 DW:20 DW:30 P S AR:3F DR:00 P S AW:46 DW:21 DW:3A P"
expect "i2c R/W sample runs" 0 "" -- "$qvtool" gen i2c --model 0xC350 --sample --addressing 7rw --out custom --scl 6 \
    --capture "$work/i.vcd"
same "i2c R/W sample decodes" "$(i2c_words "$work/i.vcd" ch6 ch7)" \
    "S AR:12 DR:00 DR:00 DR:00 P S AR:3F DR:00 P S AW:46 DW:21 DW:3A P"
expect "i2c 10-bit sample runs" 0 "" -- "$qvtool" gen i2c --model 0xC350 --sample --addressing 10 --out custom --scl 0 \
    --capture "$work/i.vcd"
same "i2c 10-bit sample decodes" "$(i2c_words "$work/i.vcd" ch0 ch1)" \
    "S AW:79 DW:2C DW:10 DW:20 DW:30 P S AW:7A DW:3F DW:4C P S AW:79 DW:8A Sr AR:79 DR:00 DR:00 P"

# Default Out: the two output ports carry the lines inverted; flipped back they decode the same.
expect "i2c default out runs" 0 "" -- "$qvtool" gen i2c --model 0xC350 --sample --capture "$work/d.vcd"
ids=$(awk '$5 == "port0" || $5 == "port1" { print $4 }' "$work/d.vcd" | paste -sd' ')
awk -v ids="$ids" 'BEGIN { n = split(ids, a, " "); for (k = 1; k <= n; k++) flip[a[k]] = 1 }
    /^[01]/ && (substr($0, 2) in flip) { print (substr($0, 1, 1) == "0" ? "1" : "0") substr($0, 2); next } { print }' \
    "$work/d.vcd" > "$work/flipped.vcd"
same "i2c default out decodes inverted" "$(i2c_words "$work/flipped.vcd" port0 port1)" \
    "S AW:12 DW:10 DW:20 DW:30 P S AR:3F DR:00 P S AW:46 DW:21 DW:3A P"

# Random transactions, writes only and with reads, on random channels.
for round in 1 2 3; do
    text="" wanted=""
    for ((t = 0; t < 4; t++)); do
        address=$((RANDOM % 128)); rw=w
        ((round > 1 && RANDOM % 2)) && rw=r
        text+=$(printf 'A%s=%02x;\r\nD=' "$rw" "$address")
        wanted+=$(printf ' S A%s:%02X' "${rw^^}" "$address")
        for ((d = 0; d < 1 + RANDOM % 5; d++)); do
            value=$((RANDOM % 256)); text+=$(printf '%02x,' "$value"); wanted+=$(printf ' D%s:%02X' "${rw^^}" "$value")
        done
        text+=$';\r\n'; wanted+=" P"
    done
    printf '%s' "$text" > "$work/i2c.txt"
    scl=$((RANDOM % 40))
    ((scl % 10 == 9)) && scl=$((scl - 1)) # SDA in SCL's output group: the read bytes stay driven
    expect "i2c random $round runs" 0 "" -- "$qvtool" gen i2c --model 0xC350 --data "$work/i2c.txt" --out custom --scl "$scl" \
        --rate 400000 --capture "$work/ir.vcd"
    same "i2c random $round decodes" "$(i2c_words "$work/ir.vcd" "ch$scl" "ch$((scl + 1))")" "${wanted# }"
done
printf 'Aw=12;\r\nD=10;\r\n' > "$work/ev.txt"
expect "i2c waits for EV1" 0 "waits for an external event" -- "$qvtool" gen i2c --model 0xC350 --data "$work/ev.txt" \
    --out custom --scl 0 --wait-ev1 --capture "$work/x.vcd"
printf 'D=10;\r\nAw=12;\r\n' > "$work/bad.txt"
expect "i2c text must start with an address" 1 "Wrong command! ( lost the I2C address command )" -- \
    "$qvtool" gen i2c --model 0xC350 --data "$work/bad.txt" --capture "$work/x.vcd"
expect "i2c convert" 0 "" -- "$qvtool" gen i2c --model 0xC350 --sample --out custom --scl 2 --convert "$work/i2c.qvw"
expect "i2c convert labels" 0 "I2C_SDA  3" -- "$qvtool" info "$work/i2c.qvw"
expect "i2c convert clock" 0 "(2400000 Hz)" -- "$qvtool" info "$work/i2c.qvw"
expect "i2c convert to VCD" 0 "" -- "$qvtool" convert "$work/i2c.qvw" "$work/i2c.vcd"
same "i2c converted stream decodes" "$(i2c_words "$work/i2c.vcd" I2C_SCL I2C_SDA)" \
    "S AW:12 DW:10 DW:20 DW:30 P S AR:3F DR:00 P S AW:46 DW:21 DW:3A P"
expect "i2c default out convert" 0 "" -- "$qvtool" gen i2c --model 0xC350 --sample --convert "$work/i2cd.vcd"
same "i2c default out converts onto channels" "$(i2c_words "$work/i2cd.vcd" I2C_SCL I2C_SDA)" \
    "S AW:12 DW:10 DW:20 DW:30 P S AR:3F DR:00 P S AW:46 DW:21 DW:3A P"

# Default Out on card type 18 puts SCL and SDA on the channels of the fields, 0 and 1 at first.
expect "i2c default out on card type 18 runs" 0 "" -- "$qvtool" --card-type 18 gen i2c --model 0xC350 --sample \
    --capture "$work/d18.vcd"
same "i2c default out on card type 18 decodes" "$(i2c_words "$work/d18.vcd" ch0 ch1)" \
    "S AW:12 DW:10 DW:20 DW:30 P S AR:3F DR:00 P S AW:46 DW:21 DW:3A P"
# 2,000 bytes in one statement on a 64K model: cut after the last byte that fits (65,488 samples
# for the frames: 47 lead-in, 36 address, 8 spare, 36 per byte).
{ printf 'Aw=12;D='; for ((k = 0; k < 2000; k++)); do printf '55,'; done; printf ';'; } > "$work/big.txt"
expect "i2c long statement is cut" 0 "Out of memory depth, output the data filled in memory." -- "$qvtool" gen i2c \
    --model 0xA020 --out custom --scl 0 --data "$work/big.txt" --capture "$work/big.vcd"
same "i2c long statement keeps what fits" "$(i2c_words "$work/big.vcd" ch0 ch1)" \
    "S AW:12$(for ((k = 0; k < (65488 - 47 - 36 - 8) / 36; k++)); do printf ' DW:55'; done) P"

# ---- SPI ----------------------------------------------------------------------------------------
printf '1a;\r\n2b;\r\n3c;\r\n4d;\r\n5f;' > "$work/spi.txt"
expect "spi example runs" 0 "waits for the key" -- "$qvtool" gen spi --model 0xC350 --data "$work/spi.txt" --no-repeat \
    --capture "$work/s.vcd"
same "spi example decodes" "$(decode "$work/s.vcd" spi:cs=ch0:clk=ch1:mosi=ch2:cs_polarity=active-low spi=mosi-data)" \
    "1A 2B 3C 4D 5F"
# Card type 18: the stream carries its OE commands after the handshake; the channels decode.
expect "spi on card type 18 runs" 0 "" -- "$qvtool" gen spi --model 0xC350 --card-type 18 --data "$work/spi.txt" \
    --no-repeat --sdo 33 --capture "$work/s18.vcd"
same "spi on card type 18 decodes" "$(decode "$work/s18.vcd" spi:cs=ch0:clk=ch1:mosi=ch33 spi=mosi-data)" "1A 2B 3C 4D 5F"
printf 'Hello, Tavro Technology Inc!!' > "$work/hello.txt"
expect "spi text runs" 0 "" -- "$qvtool" gen spi --model 0xB016 --data "$work/hello.txt" --format ascii --no-repeat \
    --cs 13 --sclk 4 --sdo 9 --capture "$work/s.vcd"
same "spi text decodes" "$(decode "$work/s.vcd" spi:cs=ch13:clk=ch4:mosi=ch9:cs_polarity=active-low spi=mosi-data)" \
    "$(hexbytes < "$work/hello.txt")"
for round in 1 2 3 4 5 6; do
    widths=(4 8 12 16 24 32); width=${widths[$((round - 1))]}
    edges=(rising falling); edge=${edges[$((RANDOM % 2))]}
    actives=(low high); active=${actives[$((RANDOM % 2))]}
    orders=(msb lsb); order=${orders[$((RANDOM % 2))]}
    cpha=0; [[ $edge == falling ]] && cpha=1
    words=() wanted=""
    for ((k = 0; k < 20; k++)); do
        w=$(( ((RANDOM << 17) ^ (RANDOM << 2) ^ RANDOM) & ((1 << width) - 1) ))
        words+=("$(printf '%x' "$w")"); wanted+=$(printf ' %X' "$w")
    done
    (IFS=';'; printf '%s' "${words[*]}") > "$work/words.txt"
    cs=$((RANDOM % 10)); clk=$((10 + RANDOM % 10)); sdo=$((20 + RANDOM % 28))
    expect "spi random $width $edge $active $order runs" 0 "" -- "$qvtool" gen spi --model 0xC350 --data "$work/words.txt" \
        --width "$width" --edge "$edge" --cs-active "$active" --order "$order" --cs "$cs" --sclk "$clk" --sdo "$sdo" \
        --rate 2500000 --no-repeat --capture "$work/sr.vcd"
    got=""
    for h in $(decode "$work/sr.vcd" "spi:cs=ch$cs:clk=ch$clk:mosi=ch$sdo:cs_polarity=active-$active:cpol=0:cpha=$cpha:bitorder=$order-first:wordsize=$width" spi=mosi-data); do
        got+=$(printf ' %X' $((16#$h)))
    done
    same "spi random $width $edge $active $order decodes" "${got# }" "${wanted# }"
done
expect "spi repeat loops" 0 "stopped at the sample limit" -- "$qvtool" gen spi --model 0xC350 --data "$work/spi.txt" \
    --capture "$work/s.vcd" --max-samples 2000
same "spi repeat decodes" "$(decode "$work/s.vcd" spi:cs=ch0:clk=ch1:mosi=ch2 spi=mosi-data | cut -d' ' -f1-10)" \
    "1A 2B 3C 4D 5F 1A 2B 3C 4D 5F"
expect "spi width 33 refused" 1 "Please inputs the data bits again, range:8~24!!" -- \
    "$qvtool" gen spi --model 0xC350 --data "$work/spi.txt" --width 33 --capture "$work/x.vcd"
expect "spi channel refused" 1 "Error channel setting, please ste again!" -- \
    "$qvtool" gen spi --model 0xB016 --data "$work/spi.txt" --sdo 14 --capture "$work/x.vcd"
expect "spi convert" 0 "" -- "$qvtool" gen spi --model 0xC350 --data "$work/spi.txt" --sdo 7 --convert "$work/spi.qvw"
expect "spi convert to VCD" 0 "" -- "$qvtool" convert "$work/spi.qvw" "$work/spi.vcd"
same "spi converted stream decodes" "$(decode "$work/spi.vcd" spi:cs=SPI_CS:clk=SPI_CLK:mosi=SPI_DATA spi=mosi-data)" \
    "1A 2B 3C 4D 5F"
expect "gen needs an output" 2 "gen needs either --capture" -- "$qvtool" gen spi --data "$work/spi.txt"
expect "gen lists options" 0 "--cs-active low|high" -- "$qvtool" gen spi --help

echo "$failures failure(s)"
[[ $failures -eq 0 ]]

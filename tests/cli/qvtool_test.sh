#!/usr/bin/env bash
# qvtool end to end: help, info, convert between .qvv, .qvw and hand-off folders, check, and the
# errors it reports (English text, non-zero exit, no crash). $1 is the qvtool executable.
set -u
qvtool=$1
. "$(dirname "$0")/lib/expect.sh"


same() { # same NAME FILE1 FILE2
    if cmp -s "$2" "$3"; then echo "ok   $1"; else echo "FAIL $1: $2 and $3 differ"; failures=$((failures + 1)); fi
}

# A text vector file exactly as qvtool writes it (values in hexadecimal, one-bit labels).
printf 'INPUTS QV_Function CLK DATA;\r\nASSIGN CLK 0;\r\nASSIGN DATA 8..1;\r\nRADIX AUTO;\r\nFREQUENCYMODE INTERNAL;\r\nFREQUENCY 12.5 MHz;\r\nPATTERN\r\n' > "$work/a.qvv"
printf '000h 0 00h \t// 00000:\t\r\n000h 1 00h \t// 00001:\t\r\n820h 1 C8h \t// 00002:\t(MOV RL, 32)\r\n200h 1 C8h \t// 00003:\t(MOV RH, 0)\r\n100h 1 C8h \t// 00004:\tJP 20\r\n000h 0 05h \t// 00005:\t\r\n;' >> "$work/a.qvv"

expect "help" 0 "convert IN OUT" -- "$qvtool" --help
expect "help lists check" 0 "check FILE" -- "$qvtool" --help
expect "no arguments" 2 "Usage:" -- "$qvtool"
expect "unknown command" 2 "Unknown command or option: frobnicate" -- "$qvtool" frobnicate x
expect "unknown option" 2 "Unknown command or option: --fast" -- "$qvtool" --fast info x
expect "bad model" 2 "Unknown model code: 0x1234" -- "$qvtool" --model 0x1234 info "$work/a.qvv"
expect "model without code" 2 "Missing argument." -- "$qvtool" info "$work/a.qvv" --model
expect "missing argument" 2 "Missing argument." -- "$qvtool" convert "$work/a.qvv"
expect "missing file" 1 "Can't open file!" -- "$qvtool" info "$work/none.qvw"
expect "missing text file" 1 "Can't open file!" -- "$qvtool" info "$work/none.qvv"
expect "empty folder" 1 "Can't open file!" -- "$qvtool" info "$work"

expect "info of a text file" 0 "Format: QV text vector file (.qvv)" -- "$qvtool" info "$work/a.qvv"
expect "info labels" 0 "  DATA  8..1" -- "$qvtool" info "$work/a.qvv"
expect "info command label" 0 "  QV_Function  QVF" -- "$qvtool" info "$work/a.qvv"
expect "info frequency" 0 "Base frequency: 12.5 MHz (12500000 Hz)" -- "$qvtool" info "$work/a.qvv"
expect "info mode" 0 "Frequency mode: 1 INTERNAL" -- "$qvtool" info "$work/a.qvv"
expect "info used length (up to the jump target 20)" 0 "Used length: 21 samples" -- "$qvtool" info "$work/a.qvv"

expect "qvv to qvw" 0 "" -- "$qvtool" convert "$work/a.qvv" "$work/a.qvw"
expect "info of a binary file" 0 "Format: QV waveform file (.qvw)" -- "$qvtool" info "$work/a.qvw"
expect "qvw to qvv" 0 "" -- "$qvtool" convert "$work/a.qvw" "$work/b.qvv"
same "qvv -> qvw -> qvv is byte-identical" "$work/a.qvv" "$work/b.qvv"

expect "qvw to hand-off folder" 0 "" -- "$qvtool" convert "$work/a.qvw" "$work/handoff/"
size=$(stat -c %s "$work/handoff/WAVEEDIT.WAV")
[[ $size -eq $((524264 * 8)) ]] && echo "ok   demo hand-off sample file size" || { echo "FAIL hand-off size $size"; failures=$((failures + 1)); }
size=$(stat -c %s "$work/handoff/WAVEEDIT.LBL")
[[ $size -eq $((21 * 100)) ]] && echo "ok   hand-off label file size" || { echo "FAIL label size $size"; failures=$((failures + 1)); }
expect "info of a hand-off folder" 0 "Format: hand-off folder" -- "$qvtool" info "$work/handoff"
expect "hand-off folder to qvw" 0 "" -- "$qvtool" convert "$work/handoff" "$work/c.qvw"
# Hand-off files carry no clock settings: everything behind the parameter values is the same.
tail -c +85 "$work/a.qvw" > "$work/a.tail"; tail -c +85 "$work/c.qvw" > "$work/c.tail"
same "qvw -> hand-off -> qvw keeps labels and samples" "$work/a.tail" "$work/c.tail"
expect "model hand-off" 0 "" -- "$qvtool" --model 0xA020 convert "$work/a.qvw" "$work/small/"
size=$(stat -c %s "$work/small/WAVEEDIT.WAV")
[[ $size -eq $((65512 * 8)) ]] && echo "ok   0xA020 hand-off sample file size" || { echo "FAIL 0xA020 size $size"; failures=$((failures + 1)); }

expect "check finds nothing wrong" 0 "No error." -- "$qvtool" check "$work/a.qvw"
printf 'INPUTS QV_Function;\r\nPATTERN\r\n000h\r\n800h\r\n000h\r\n;' > "$work/bad.qvv"
expect "check reports a broken command" 3 "Command error in 1." -- "$qvtool" check "$work/bad.qvv"

# Malformed inputs: wrong signature, truncated header, a text file that cannot be read.
printf 'Tavro Technology Inc. QV-Editox' > "$work/sig.qvw"
expect "wrong signature" 1 "This is no QV waveform file." -- "$qvtool" info "$work/sig.qvw"
head -c 40 "$work/a.qvw" > "$work/short.qvw"
expect "truncated header" 1 "This is no QV waveform file." -- "$qvtool" info "$work/short.qvw"
head -c 700 "$work/a.qvw" > "$work/cut.qvw"
expect "truncated label block" 1 "This is no QV waveform file." -- "$qvtool" info "$work/cut.qvw"
printf 'INPUTS A B; ASSIGN A 1; ASSIGN B 1; PATTERN\n0 0\n;' > "$work/dup.qvv"
expect "unreadable text file" 1 "This is no QV waveform file." -- "$qvtool" info "$work/dup.qvv"
head -c 100000 /dev/urandom > "$work/noise.qvw"
expect "random bytes" 1 "This is no QV waveform file." -- "$qvtool" check "$work/noise.qvw"

# A waveform longer than a small model's memory: not loaded there (no one to ask).
{ printf 'INPUTS A;\r\nPATTERN\r\n'; seq 0 69999 | awk '{ printf "%d\r\n", $1 % 2 }'; printf ';'; } > "$work/long.qvv"
expect "long text file in demo mode" 0 "Used length: 70000 samples" -- "$qvtool" info "$work/long.qvv"
expect "long qvw written" 0 "" -- "$qvtool" convert "$work/long.qvv" "$work/long.qvw"
expect "long qvw on a small model" 1 "Not loaded" -- "$qvtool" --model 0xA020 info "$work/long.qvw"
expect "long qvw on a big model" 0 "Used length: 70000 samples" -- "$qvtool" --model 0xCD16 info "$work/long.qvw"

# A failed save leaves the old file as it was (the output is a folder's name taken by a file).
printf 'old' > "$work/keep.qvv"
printf 'INPUTS A B; ASSIGN A 3; ASSIGN B 3,4; PATTERN\n0 0\n;' > "$work/overlap.qvv"
expect "overlap refused on read" 1 "This is no QV waveform file." -- "$qvtool" convert "$work/overlap.qvv" "$work/keep.qvv"
[[ $(cat "$work/keep.qvv") == old ]] && echo "ok   old file kept" || { echo "FAIL old file changed"; failures=$((failures + 1)); }
[[ $(ls "$work" | grep -c '~qv') -eq 0 ]] && echo "ok   no temporary files left" || { echo "FAIL temporary files left"; failures=$((failures + 1)); }

# Label records of a hand-off file (bit, name, position code), 100 bytes each.
record() {
    printf "\\x$(printf %02x "$1")\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0%s" "$2"
    head -c $((64 - ${#2})) /dev/zero
    printf "\\x0f\\0\\0\\0\\0\\0\\0\\0\\x$(printf %02x "$3")\\0\\0\\0"
    head -c 12 /dev/zero
}
mkdir -p "$work/twice"
{ record 12 CLK 1; record 13 CLK 1; } > "$work/twice/WAVEEDIT.LBL"
expect "a text save names the label it refuses" 1 "Two labels are named CLK." -- "$qvtool" convert "$work/twice" "$work/twice.qvv"
mkdir -p "$work/named"
{ record 14 QV_Function 1; } > "$work/named/WAVEEDIT.LBL"
expect "a data label named QV_Function" 1 "The data label QV_Function" -- "$qvtool" convert "$work/named" "$work/named.qvv"

# An Altera waveform table: its time stamps give the clock; a clock that is not achievable is
# refused unless --yes takes the nearby one.
printf 'INPUTS A B[1..0];\nOUTPUTS Q;\nUNIT ns;\nPATTERN\n0.0> 1 2 = 0\n20.0> 0 3 = 1\n50.0> 1 0 = 0\n;\n' > "$work/t.tbl"
expect "tbl to qvv" 0 "" -- "$qvtool" convert "$work/t.tbl" "$work/tbl.qvv"
expect "tbl labels" 0 "  B[1..0]  2..1" -- "$qvtool" info "$work/tbl.qvv"
expect "tbl clock" 0 "Base frequency: 100 MHz" -- "$qvtool" info "$work/tbl.qvv"
printf 'INPUTS A; PATTERN\n0> 1\n30> 0\n;' > "$work/odd.tbl"
expect "tbl clock refused" 1 "QV does not supports the current setting of FREQUENCY!" -- "$qvtool" convert "$work/odd.tbl" "$work/odd.qvv"
expect "tbl clock nearby with --yes" 0 "" -- "$qvtool" --yes convert "$work/odd.tbl" "$work/odd.qvv"

echo "$failures failure(s)"
[[ $failures -eq 0 ]]

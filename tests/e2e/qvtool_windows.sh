#!/usr/bin/env bash
# qvtool.exe under Wine: the Windows build converts between .qvv, .qvw and a hand-off folder,
# replaces an existing file (the temporary file renamed over it, Windows semantics), leaves no
# temporary file behind, runs a file on a virtual instrument and exports VCD and reports errors with their text and a non-zero exit. $1 is the bin dir.
set -euo pipefail
bin=$(cd "$1" && pwd)
. "$(dirname "$0")/../../scripts/wine-session.sh" e2e-qvtool
cp "$bin/qvtool.exe" "$work/"
cd "$work"
qvtool() { wine ./qvtool.exe "$@" 2>&1 | tr -d '\r'; return "${PIPESTATUS[0]}"; }

printf 'INPUTS QV_Function CLK;\r\nASSIGN CLK 0;\r\nRADIX AUTO;\r\nFREQUENCYMODE INTERNAL;\r\nFREQUENCY 10 MHz;\r\nPATTERN\r\n000h 0 \t// 00000:\t\r\n000h 1 \t// 00001:\t\r\n000h 0 \t// 00002:\t\r\n;' > a.qvv
qvtool convert a.qvv a.qvw || fail "first convert"
qvtool convert a.qvv a.qvw || fail "convert over an existing file"
qvtool convert a.qvw b.qvv || fail "qvw to qvv"
cmp -s a.qvv b.qvv || fail "qvv -> qvw -> qvv differs"
qvtool convert a.qvw 'folder\' || fail "hand-off folder"
[ "$(stat -c %s folder/WAVEEDIT.WAV)" -eq $((524264 * 8)) ] || fail "hand-off sample file size"
out=$(qvtool info folder) || fail "info of the folder"
[[ $out == *"Used length: 3 samples"* ]] || fail "info: $out"
out=$(qvtool run a.qvv --model 0xB016 --capture run.vcd --max-samples 100) || fail "run: $out"
[[ $out == *"stopped at the sample limit"* ]] || fail "run: $out"
grep -q '^#100$' run.vcd || fail "capture does not end at sample 100"
qvtool convert a.qvv a.vcd || fail "convert to VCD"
grep -q '^\$var wire 1 ! CLK \$end$' a.vcd || fail "exported VCD lacks CLK"
ls | grep -q '~qv' && fail "temporary file left"
set +e
out=$(qvtool info missing.qvw); rc=$?
set -e
[ $rc -eq 1 ] && [[ $out == *"Can't open file!"* ]] || fail "missing file: $rc $out"
echo "qvtool.exe under Wine: ok"

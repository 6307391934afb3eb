#!/usr/bin/env bash
# The virtual instrument in real time: the SPI tool's Run from its dialog, a wait in which nothing
# polls the instrument, then Stop (the Win32 test GeneratorDialogTest.SpiRuns..., run here under
# Wine). The capture must hold the repeated stream as it left the pins until the sample limit, and
# sigrok's SPI decoder (an independent reader) must read the typed words from it. $1 is the bin dir.
set -euo pipefail
bin=$(cd "$1" && pwd)
. "$(dirname "$0")/../../scripts/wine-session.sh" e2e-spi
command -v sigrok-cli >/dev/null || fail "sigrok-cli is missing (scripts/setup.sh installs it)"
capture=$work/spi.vcd
cd "$bin"
QV_TEST_KEEP_SPI_CAPTURE=$(winepath -w "$capture" 2>/dev/null) \
  wine ./qv_win_tests.exe --gtest_filter='GeneratorDialogTest.SpiRuns*' >"$work/test.log" 2>&1 ||
  { cat "$work/test.log" >&2; fail "the SPI run test failed"; }
[ -s "$capture" ] || fail "no capture kept"
grep -q 'capture truncated at the sample limit of 4000 clocks' "$capture" || fail "the capture does not say it was cut"
# 2 MHz: one sample clock is 500 ns, so one sigrok row per 100 ns unit is plenty.
words=$(sigrok-cli -I vcd -i "$capture" -P spi:cs=ch0:clk=ch1:mosi=ch2:cs_polarity=active-low -A spi=mosi-data 2>/dev/null |
  sed 's/^[a-z0-9]*-1: //' | tr '\n' ' ')
[[ $words == "1A 2B 1A 2B"* ]] || fail "sigrok decodes '$words'"
echo "SPI run in real time: ok ($words)"

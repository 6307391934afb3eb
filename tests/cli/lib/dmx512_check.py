"""Checks a DMX512 capture from the protocol's definition, with sigrok's dmx512 decoder for the slots.

python3 dmx512_check.py CAPTURE.vcd PLUS RATE BREAK MAB MBB IFT REPEAT VALUES
(times in samples of 4 us bits, VALUES comma-separated hex, REPEAT 0 or 1; a repeated capture must
hold at least three loops). It checks, in Python: D- is the inverse of D+ at every change (hence on
every sample), the capture's sample clock is RATE, the lead-in, each break, mark after break and
mark before break is exactly as long as set, and every loop of a repeated stream is the same.
Then each packet, cut from its break to its last stop bit and written at 4 us a sample, is decoded
by sigrok's dmx512 (it finds a break as any long low run, so it must start at the break) and must
give back the start code and every slot value, with no error annotation. Prints "ok" or the
problems."""
import os
import re
import subprocess
import sys
import tempfile

from vcd_dump import read

LEAD_IN, SLOT, SLOTS_PER_PACKET = 69, 11, 513


def runs(order, changes, units, name):
    """(level, samples) runs of one wire, and the times (in samples) at which it changes."""
    code = next(c for c, _, n in order if n == name)
    levels, times = [], []
    for time, values in changes[:-1]:
        level = values.get(code)
        if level is None:
            continue
        if not levels or level != levels[-1]:
            levels.append(level)
            times.append(time)
    end = changes[-1][0]
    out = []
    for k, level in enumerate(levels):
        stop = times[k + 1] if k + 1 < len(times) else end
        out.append((1 if level == '1' else 0, (stop - times[k]) // units))
    return out, [t // units for t in times]


def expected_runs(values, brk, mab, mbb, ift, lead_in):
    """The D+ runs of one pass of the stream (lead-in runs first when lead_in)."""
    bits = []
    for i, v in enumerate(values):
        if i % SLOTS_PER_PACKET == 0:
            bits += [0] * brk + [1] * mab
        bits += [0] + [(v >> b) & 1 for b in range(8)] + [1, 1]
        last = i + 1 == len(values) or (i + 1) % SLOTS_PER_PACKET == 0
        bits += [1] * (ift + (mbb if last else 0))
    if lead_in:
        bits = [1] * LEAD_IN + bits
    return bits


def to_runs(bits):
    out = []
    for b in bits:
        if out and out[-1][0] == b:
            out[-1][1] += 1
        else:
            out.append([b, 1])
    return [tuple(r) for r in out]


def sigrok_packet(bits, expected):
    """Decodes one packet (from its break) with sigrok; returns the problems."""
    fd, path = tempfile.mkstemp(suffix='.vcd')
    with os.fdopen(fd, 'w') as f:
        f.write('$timescale 1 us $end\n$scope module p $end\n$var wire 1 ! d $end\n$upscope $end\n'
                '$enddefinitions $end\n')
        previous = None
        for i, b in enumerate(bits + [1]):
            if b != previous:
                f.write('#%d\n%d!\n' % (4 * i, b))
                previous = b
        f.write('#%d\n' % (4 * (len(bits) + 40)))
    result = subprocess.run(['sigrok-cli', '-i', path, '-P', 'dmx512:dmx=d', '-A',
                             'dmx512=startcode:channel:data:error'], capture_output=True, text=True)
    os.unlink(path)
    problems = [line for line in result.stderr.splitlines() if line.startswith('srd')]
    got = [int(m.group(1), 16) for m in re.finditer(r'dmx512-1: \d+ / 0x([0-9a-f]+)', result.stdout)]
    if 'Invalid' in result.stdout or 'rror' in result.stdout:
        problems.append('decoder error: ' + result.stdout[:200])
    if got != expected:
        problems.append('sigrok gave %d values %s, wanted %d %s' % (len(got), got[:6], len(expected),
                                                                      expected[:6]))
    return problems


def main():
    vcd = sys.argv[1]
    plus, rate, brk, mab, mbb, ift, repeat = map(int, sys.argv[2:9])
    values = [int(v, 16) for v in sys.argv[9].split(',')]
    text = open(vcd).read()
    clock = int(re.search(r'sample clock (\d+) Hz', text).group(1))
    units = int(re.search(r'(\d+) units per sample', text).group(1))
    order, changes, _ = read(vcd)
    plus_runs, plus_times = runs(order, changes, units, 'ch%d' % plus)
    minus_runs, minus_times = runs(order, changes, units, 'ch%d' % (plus + 1))
    problems = []
    if clock != rate:
        problems.append('sample clock %d, wanted %d' % (clock, rate))
    if plus_times != minus_times or any(p == m for (p, _), (m, _) in zip(plus_runs, minus_runs)):
        problems.append('D- is not the inverse of D+')
    first = to_runs(expected_runs(values, brk, mab, mbb, ift, True))
    loop = to_runs(expected_runs(values, brk, mab, mbb, ift, False))
    got = [tuple(r) for r in plus_runs]
    if not repeat:
        # The instrument holds the last mark while it waits: the final run may last longer.
        if got[:-1] != first[:-1] or got[-1][0] != 1 or got[-1][1] < first[-1][1]:
            problems.append('runs differ from the stream: %s' % first_difference(got, first))
    else:
        # The first pass ends in the mark before the first repeated break.
        head = first[:-1] + [(1, first[-1][1])]
        if got[:len(head)] != head:
            problems.append('first pass differs: %s' % first_difference(got, head))
        rest = got[len(head):]
        loops = 0
        while len(rest) > len(loop):
            if rest[:len(loop)] != loop:
                problems.append('loop %d differs: %s' % (loops + 1, first_difference(rest, loop)))
                break
            rest = rest[len(loop):]
            loops += 1
        if loops < 2:
            problems.append('only %d whole loops after the first pass' % loops)
    # sigrok: each packet of the first pass, cut from the capture at its break up to its last stop
    # bit.
    captured, total = [], len(expected_runs(values, brk, mab, mbb, ift, True))
    for level, length in got:
        captured += [level] * min(length, total - len(captured))
    at = LEAD_IN
    for start in range(0, len(values), SLOTS_PER_PACKET):
        packet = values[start:start + SLOTS_PER_PACKET]
        length = brk + mab + len(packet) * (SLOT + ift) - ift
        problems += sigrok_packet(captured[at:at + length], packet)
        at += length + ift + mbb
    print('; '.join(problems[:4]) if problems else 'ok')


def first_difference(got, wanted):
    for k, (g, w) in enumerate(zip(got, wanted)):
        if g != w:
            return 'run %d is %s, wanted %s' % (k, g, w)
    return 'lengths %d and %d' % (len(got), len(wanted))


main()

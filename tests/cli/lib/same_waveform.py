# Compares a reference dump with an instrument's capture, time unit for time unit, over the
# reference's whole length: the capture from its first data sample (after the 12 prefix samples),
# its channels "chN" in channel order; the reference's variables on consecutive channels in
# declaration order, least significant bit first; "x" reads as low, and so does "z" unless a group
# size is given: then a channel reads "z" while any channel of its output group floats.
# A reference ending in .sr is a sigrok session, read here with Python's own zip reader: its
# enabled probes on consecutive channels in probe order, one sample per time unit.
# python3 same_waveform.py REFERENCE.vcd|REFERENCE.sr CAPTURED.vcd [GROUP]
import configparser
import sys
import zipfile
from fractions import Fraction

from vcd_dump import read

def rate(text):
    """sigrok's "200 kHz" as hertz."""
    number, _, unit = text.partition(' ')
    return Fraction(number) * {'': 1, 'Hz': 1, 'kHz': 10**3, 'MHz': 10**6, 'GHz': 10**9}[unit]

def session_words(path):
    with zipfile.ZipFile(path) as z:
        meta = configparser.ConfigParser(interpolation=None)
        meta.read_string(z.read('metadata').decode())
        device = meta['device 1']
        period = 1 / rate(device['samplerate'])
        unit = int(device.get('unitsize', '1'))
        probes = sorted(int(k[5:]) for k in device if k.startswith('probe'))
        base, data = device['capturefile'], b''
        names = set(z.namelist())
        if base in names:
            data = z.read(base)
        n = 1
        while base + '-%d' % n in names:
            data += z.read(base + '-%d' % n)
            n += 1
    out = []
    for i in range(0, len(data), unit):
        raw = int.from_bytes(data[i:i + unit], 'little')
        out.append(sum(((raw >> (p - 1)) & 1) << k for k, p in enumerate(probes)))
    return out, period

group = int(sys.argv[3]) if len(sys.argv) > 3 else 0

def words(order, changes, end, shift=0):
    """The channel word of every time unit in [0, end): (levels, floating channels)."""
    out, k, word = [], 0, (0, 0)
    def word_of(values):
        w, z, first = 0, 0, 0
        for code, width, _ in order:
            v = values.get(code, '0').lower()
            v = v.rjust(width, v[0] if v[0] in 'xz' else '0')[-width:]
            w |= (int(v.replace('x', '0').replace('z', '0'), 2)) << first
            if group:
                z |= int(v.replace('1', '0').replace('x', '0').replace('z', '1'), 2) << first
            first += width
        for g in range(0, first, group or max(first, 1)):
            mask = ((1 << group) - 1) << g
            if group and z & mask:
                z |= mask
        return (w & ~z, z)
    for t in range(shift, shift + end):
        while k < len(changes) and changes[k][0] <= t:
            word = word_of(changes[k][1])
            k += 1
        out.append(word)
    return out

cap_order, cap, cap_unit = read(sys.argv[2])
cap_order = sorted([o for o in cap_order if o[2].startswith('ch')], key=lambda o: int(o[2][2:]))
if sys.argv[1].endswith('.sr'):
    want, period = session_words(sys.argv[1])
    want = [(w, 0) for w in want]
    end = len(want)
else:
    sim_order, sim, period = read(sys.argv[1])
    end = sim[-1][0]
    want = words(sim_order, sim, end)
# The capture's times in samples of the reference.
cap = [(t * cap_unit / period, values) for t, values in cap]
if any(t.denominator != 1 for t, _ in cap):
    print('the capture changes between samples of the reference')
    sys.exit(1)
got = words(cap_order, cap, end, 12)
for t in range(end):
    if want[t] != got[t]:
        print('time unit %d: simulator %x (floating %x), instrument %x (floating %x)' % ((t,) + want[t] + got[t]))
        sys.exit(1)
print('%d time units equal' % end)

"""The levels of a virtual-instrument capture, one row per sample clock.

samples(path) reads a VCD written by `qvtool ... --capture` (scope qv, wires ch0.., port0,
port1; the header comment names the units per sample) and returns (names, rows): rows[i] is an
int whose bit k is the level of names[k] during sample i ('z' and 'x' read as 0)."""
import re

from vcd_dump import read


def samples(path):
    m = re.search(r"(\d+) units per sample", open(path).read())
    if not m:
        raise ValueError("no 'units per sample' in " + path)
    units = int(m.group(1))
    order, changes, _ = read(path)
    names = [name for _, _, name in order]
    rows, k = [], 0
    # The capture ends with the time just past its last clock.
    for i in range(changes[-1][0] // units):
        while k + 1 < len(changes) and changes[k + 1][0] <= i * units:
            k += 1
        values = changes[k][1]
        rows.append(sum(1 << n for n, (code, _, _) in enumerate(order) if values.get(code) == "1"))
    return names, rows


def channel_bits(names, rows, first, width):
    """The value of channels first .. first + width - 1 (LSB on `first`) in each row."""
    positions = [names.index("ch%d" % (first + k)) for k in range(width)]
    return [sum(((r >> p) & 1) << k for k, p in enumerate(positions)) for r in rows]

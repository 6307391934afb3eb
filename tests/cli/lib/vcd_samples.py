"""The levels of a virtual-instrument capture, one row per sample clock.

samples(path) reads a VCD written by `qvtool ... --capture` (scope qv, wires ch0.., port0,
port1; the header comment names the units per sample) and returns (names, rows): rows[i] is an
int whose bit k is the level of names[k] during sample i ('z' and 'x' read as 0)."""
import re


def samples(path):
    names, ids, rows = [], {}, []
    units = None
    level, time, last = 0, 0, None
    with open(path) as f:
        text = f.read()
    m = re.search(r"(\d+) units per sample", text)
    if not m:
        raise ValueError("no 'units per sample' in " + path)
    units = int(m.group(1))
    header, _, body = text.partition("$enddefinitions $end")
    for var in re.finditer(r"\$var wire 1 (\S+) (\S+) \$end", header):
        ids[var.group(1)] = len(names)
        names.append(var.group(2))

    def advance(to):
        nonlocal last
        if last is None:
            last = 0
        while last * units < to:
            rows.append(level)
            last += 1

    for token in body.split():
        if token.startswith("#"):
            advance(int(token[1:]))
        elif token[0] in "01xzXZ" and token[1:] in ids:
            bit = 1 << ids[token[1:]]
            level = level | bit if token[0] == "1" else level & ~bit
    rows.append(level)  # the last sample's levels
    return names, rows


def channel_bits(names, rows, first, width):
    """The value of channels first .. first + width - 1 (LSB on `first`) in each row."""
    positions = [names.index("ch%d" % (first + k)) for k in range(width)]
    return [sum(((r >> p) & 1) << k for k, p in enumerate(positions)) for r in rows]

"""A VCD dump as its variables and its value changes: read(path) gives (order, changes, unit), where
order lists (code, width, name) in declaration order, changes the (time, {code: value text}) after
each time stamp, and unit the time unit in seconds. Shared by the capture checks of tests/cli."""
from fractions import Fraction

UNITS = {'s': 1, 'ms': Fraction(1, 10**3), 'us': Fraction(1, 10**6), 'ns': Fraction(1, 10**9),
         'ps': Fraction(1, 10**12), 'fs': Fraction(1, 10**15)}

def read(path):
    """Variables, (time, values) changes and the time unit in seconds of a dump."""
    names, order, values, changes, now, unit = {}, [], {}, [], 0, Fraction(1, 10**9)
    tokens = open(path).read().split()
    i = 0
    while i < len(tokens):
        t = tokens[i]
        if t == '$timescale':
            text = ''.join(tokens[i + 1:tokens.index('$end', i)])
            digits = ''.join(c for c in text if c.isdigit())
            unit = int(digits) * UNITS[text[len(digits):]]
            i = tokens.index('$end', i)
        elif t == '$var':
            end = tokens.index('$end', i)
            width, code, name = int(tokens[i + 2]), tokens[i + 3], tokens[i + 4]
            order.append((code, width, name))
            i = end
        elif t.startswith('$'):
            if t not in ('$dumpvars', '$end', '$dumpall', '$dumpon', '$dumpoff'):
                i = tokens.index('$end', i)
        elif t.startswith('#'):
            changes.append((now, dict(values)))
            now = int(t[1:])
        elif t[0] in 'bB':
            values[tokens[i + 1]] = t[1:]
            i += 1
        else:
            values[t[1:]] = t[0]
        i += 1
    changes.append((now, dict(values)))
    return order, changes, unit

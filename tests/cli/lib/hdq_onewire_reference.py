"""HDQ and 1-Wire captures read back from the protocols' public definitions, with their timing
limits, and compared with the list that was sent.

  hdq_onewire_reference.py hdq VCD CHANNEL LIST LOOPS
  hdq_onewire_reference.py onewire VCD CHANNEL standard|overdrive LIST LOOPS

HDQ (host and device timing as the gauges' data sheets give them): a break is low for at least
190 us, the recovery high for at least 40 us; then 7 address bits and R/W, and data bits, each
least significant bit first. A host bit is low 0.5..50 us for a 1, 86..145 us for a 0 and lasts
at least 190 us; a device's bit (the data of a read) is low 32..50 us or 80..145 us and lasts
190..250 us. 1-Wire: reset low 480..960 us (48..80 at overdrive), the presence pulse 15..60 us
after it (2..6) for 60..240 us (8..24), at least 480 us (48) from the reset's end to the first
slot; a slot lasts 60..120 us (6..16) with at least 1 us of recovery; a 1 is low 1..15 us (1..2),
a 0 60..120 us (6..16).

LIST holds the list as the tool exports it: HDQ "01h W 8 12h 34h", 1-Wire "W CC 1234" (each
value in whole bytes of its digits, least significant byte first). The capture must hold the
list's transactions LOOPS times in order (a transaction cut short by the capture's end is not
counted); LIST "-" checks the timing and counts the transactions. Prints "ok N transactions" or the first problems, one per line."""
import re
import sys

from vcd_samples import samples


def line_levels(vcd, channel):
    clock = int(re.search(r"sample clock (\d+) Hz", open(vcd).read()).group(1))
    names, rows = samples(vcd)
    bit = names.index("ch%d" % channel)
    levels = [(r >> bit) & 1 for r in rows]
    runs, start = [], 0
    for i in range(1, len(levels) + 1):
        if i == len(levels) or levels[i] != levels[start]:
            runs.append((levels[start], (i - start) * 1e6 / clock))
            start = i
    if runs and runs[-1][0] == 0:
        runs.pop()  # a pulse cut by the capture's end
    return runs


def in_range(value, low, high):
    return low - 1e-6 <= value <= high + 1e-6


def hdq(runs, problems):
    found, i = [], 0
    while i < len(runs):
        level, length = runs[i]
        if level == 1:
            i += 1
            continue
        if length < 190:
            problems.append("a low of %.1f us outside a transaction" % length)
            i += 1
            continue
        if i + 1 >= len(runs):
            break
        if runs[i + 1][1] < 40:
            problems.append("recovery of %.1f us" % runs[i + 1][1])
        bits, j = [], i + 2
        while j < len(runs) and runs[j][0] == 0 and runs[j][1] < 190:
            high = runs[j + 1][1] if j + 1 < len(runs) else 0.0
            last = j + 2 >= len(runs) or runs[j + 2][1] >= 190
            bits.append((runs[j][1], runs[j][1] + high, last))
            j += 2
        i = j
        if len(bits) < 8:
            continue  # cut by the capture's end
        read = None
        values = ""
        for k, (low, cycle, last) in enumerate(bits):
            device = k >= 8 and read
            one, zero = ((32, 50), (80, 145)) if device else ((0.5, 50), (86, 145))
            if in_range(low, *one):
                values += "1"
            elif in_range(low, *zero):
                values += "0"
            else:
                problems.append("bit %d low for %.1f us" % (k, low))
                values += "?"
            if cycle < 190 - 1e-6 or (device and not last and cycle > 250 + 1e-6):
                problems.append("bit %d lasts %.1f us" % (k, cycle))
            if k == 7:
                read = values[7] == "0"
        address = int(values[6::-1], 2) if "?" not in values[:7] else -1
        found.append("%02X %s %s" % (address, "W" if values[7] == "1" else "R", values[8:]))
    return found


def hdq_expected(lines):
    out = []
    for line in lines:
        cells = line.split()
        width = int(cells[2])
        bits = "".join(format(int(v.rstrip("hH"), 16), "0%db" % width)[::-1] for v in cells[3:])
        out.append("%02X %s %s" % (int(cells[0].rstrip("hH"), 16), cells[1], bits))
    return out


ONEWIRE = {  # (standard, overdrive) in microseconds
    "reset": ((480, 960), (48, 80)),
    "presence_wait": ((15, 60), (2, 6)),
    "presence": ((60, 240), (8, 24)),
    "reset_high": (480, 48),
    "slot": ((60, 120), (6, 16)),
    "one": ((1, 15), (1, 2)),
    "zero": ((60, 120), (6, 16)),
}


def onewire(runs, overdrive, problems):
    t = {name: limits[1 if overdrive else 0] for name, limits in ONEWIRE.items()}
    found, i = [], 0
    while i < len(runs):
        level, length = runs[i]
        if level == 1:
            i += 1
            continue
        if not in_range(length, *t["reset"]):
            problems.append("a low of %.1f us where a reset belongs" % length)
            i += 1
            continue
        if i + 3 >= len(runs):
            break
        wait, presence, rest = runs[i + 1][1], runs[i + 2][1], runs[i + 3][1]
        if not in_range(wait, *t["presence_wait"]) or not in_range(presence, *t["presence"]):
            problems.append("presence %.1f us after the reset, %.1f us long" % (wait, presence))
        if wait + presence + rest < t["reset_high"] - 1e-6:
            problems.append("%.1f us from the reset to the first slot" % (wait + presence + rest))
        bits, j = "", i + 4
        while j < len(runs) and runs[j][0] == 0 and runs[j][1] < t["reset"][0]:
            low = runs[j][1]
            high = runs[j + 1][1] if j + 1 < len(runs) else 0.0
            last = j + 2 >= len(runs) or runs[j + 2][1] >= t["reset"][0]  # the last slot runs into idle
            if in_range(low, *t["one"]):
                bits += "1"
            elif in_range(low, *t["zero"]):
                bits += "0"
            else:
                problems.append("slot low for %.1f us" % low)
            cycle = low + high
            if high < 1 or cycle < t["slot"][0] - 1e-6 or (not last and cycle > t["slot"][1] + 1e-6):
                problems.append("slot of %.1f us (recovery %.1f us)" % (cycle, high))
            j += 2
        i = j
        if len(bits) % 8:
            if j < len(runs):
                problems.append("%d bits in a transaction" % len(bits))
            continue
        found.append(" ".join("%02X" % int(bits[k:k + 8][::-1], 2) for k in range(0, len(bits), 8)))
    return found


def onewire_expected(lines):
    out = []
    for line in lines:
        data = []
        for v in line.split()[1:]:
            data += ["%02X" % b for b in int(v, 16).to_bytes((len(v) + 1) // 2, "little")]
        out.append(" ".join(data))
    return out


def list_lines(path):  # "-": the list is not known, the capture is only checked
    return [] if path == "-" else [l for l in open(path).read().splitlines() if l.strip()]


def main():
    kind, vcd, channel = sys.argv[1], sys.argv[2], int(sys.argv[3])
    rest = sys.argv[4:]
    problems = []
    runs = line_levels(vcd, channel)
    if kind == "hdq":
        found = hdq(runs, problems)
        expected = hdq_expected(list_lines(rest[0])) * int(rest[1])
    else:
        found = onewire(runs, rest[0] == "overdrive", problems)
        expected = onewire_expected(list_lines(rest[1])) * int(rest[2])
    if expected and (found[:len(expected)] != expected or len(found) > len(expected) + 1):
        problems.append("decoded %s, sent %s" % (found[:6], expected[:6]))
    if problems:
        print("\n".join(problems[:5]))
        sys.exit(1)
    print("ok %d transactions" % len(found))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""CAN and LIN written out from their public definitions (ISO 11898 frames, stuffing and CRC-15;
LIN 2.x bytes, breaks, parity and checksums), independently of qvtool's builders, to check its
captures sample by sample where sigrok's decoders stop short: error frames, interframe spaces,
CAN_High against CAN_Low, wake-up pulses and the last LIN frame.

  can-plan SEED N ARGS EXPECTED      random frames (good and faulty): qvtool arguments, expected bits
  can-check VCD HIGH LOW EXPECTED    the capture against the expected bits after the 16-sample lead-in
  can-crc                            sigrok's decoded fields (stdin) -> "ID DLC DATA CRC" per frame,
                                     with "bad" when the CRC-15 recomputed from them differs
  lin-plan SEED N ARGS EXPECTED [messages]
                                     random entries (frames, wake-ups, sleep): arguments, expectation
  lin-check VCD CHANNEL EXPECTED COUNT
                                     the capture (COUNT samples) entry by entry against the expectation
Each check prints "ok" or the first difference.
"""
import json
import random
import re
import sys


# ---- the capture ------------------------------------------------------------------------------
def vcd_samples(path, names):
    """Per-sample levels of the named wires (the capture's comment gives units per sample)."""
    ids, values, changes, units, time = {}, {}, [], None, 0
    with open(path) as f:
        for line in f:
            m = re.search(r"(\d+) units per sample", line)
            if m:
                units = int(m.group(1))
            parts = line.split()
            if parts[:1] == ["$var"] and parts[4] in names:
                ids[parts[3]] = parts[4]
            elif line.startswith("#"):
                time = int(line[1:])
            elif line[:1] in "01xz" and line[1:].strip() in ids:
                changes.append((time, ids[line[1:].strip()], 1 if line[0] == "1" else 0))
    end = changes[-1][0] if changes else 0
    count = end // units + 1
    levels = {n: [0] * count for n in names}
    state = {n: 0 for n in names}
    k = 0
    for s in range(count):
        while k < len(changes) and changes[k][0] <= s * units:
            state[changes[k][1]] = changes[k][2]
            k += 1
        for n in names:
            levels[n][s] = state[n]
    return levels


def first_difference(got, wanted):
    for i, (g, w) in enumerate(zip(got, wanted)):
        if g != w:
            return i
    return None if len(got) >= len(wanted) else len(got)


# ---- CAN ----------------------------------------------------------------------------------------
def crc15(bits):
    crc = 0
    for b in bits:
        nxt = b ^ ((crc >> 14) & 1)
        crc = (crc << 1) & 0x7FFF
        if nxt:
            crc ^= 0x4599
    return crc


def bits_of(value, width):
    return [(value >> (width - 1 - i)) & 1 for i in range(width)]


def can_head(ext, ident, rtr, dlc, data):
    b = [0]
    if ext:
        b += bits_of(ident >> 18, 11) + [1, 1] + bits_of(ident & 0x3FFFF, 18)
    else:
        b += bits_of(ident, 11)
    b += [rtr, 0, 0] + bits_of(dlc, 4)
    for d in data:
        b += bits_of(d, 8)
    return b


def stuffed(bits):
    out, run, last = [], 0, None
    for x in bits:
        out.append(x)
        run = run + 1 if x == last else 1
        last = x
        if run == 5:
            last = 1 - x
            out.append(last)
            run = 1
    return out


def can_plan(seed, count, args_path, expected_path):
    rng = random.Random(seed)
    args, bits = [], []
    for k in range(count):
        ext = rng.random() < 0.5
        remote = rng.random() < 0.25
        ident = rng.randrange(1 << 29) if ext else rng.randrange(1 << 11)
        dlc = rng.randrange(9)
        data = [] if remote else [rng.randrange(256) for _ in range(dlc)]
        rtr = 1 if remote else 0
        head = can_head(ext, ident, rtr, dlc, data)
        crc = crc15(head)
        fault = rng.choice(["none", "none", "crc", "delimiter", "space"]) if k else "none"
        active = rng.random() < 0.5
        space = rng.randrange(3, 12) if fault != "space" else rng.randrange(0, 3)
        sent_crc = crc ^ (1 + rng.randrange(0x7FFF)) if fault == "crc" else crc
        delimiter = 0 if fault == "delimiter" else 1
        args += ["--format", "29" if ext else "11", "--type", "remote" if remote else "data", "--id", "%X" % ident,
                 "--dlc", str(dlc)]
        if data:
            args += ["--bytes", ",".join("%02x" % d for d in data)]
        args += ["--crc", "%X" % sent_crc, "--crc-delimiter", str(delimiter), "--is", str(space)]
        args += ["--error", "active" if active else "passive", "--add"]
        frame = stuffed(head + bits_of(sent_crc, 15))
        if fault == "crc":
            frame += []
        elif fault == "delimiter":
            frame += [delimiter]
        elif fault == "space":
            frame += [1, 0, 1]
        else:
            frame += [1, 0, 1] + [1] * (7 + space)
        if fault != "none":
            frame += ([0] * 6 + [1] * 8) if active else [1] * 14
        bits += frame
    with open(args_path, "w") as f:
        f.write("\n".join(args) + "\n")
    with open(expected_path, "w") as f:
        json.dump(bits, f)


def can_check(path, high, low, expected_path):
    with open(expected_path) as f:
        wanted = json.load(f)
    levels = vcd_samples(path, [high, low])
    # The instrument holds the last sample's levels; the capture records changes only.
    h, l = (v + [v[-1]] * (16 + len(wanted) - len(v)) for v in (levels[high], levels[low]))
    for i, (a, b) in enumerate(zip(h, l)):
        if a == b:
            return "CAN_High equals CAN_Low at sample %d" % i
    if l[:16] != [1] * 16:
        return "lead-in not recessive"
    at = first_difference(l[16:], wanted)
    return "ok" if at is None else "bit %d differs: got %s wanted %s" % (
        at, "".join(map(str, l[16 + at:16 + at + 20])), "".join(map(str, wanted[at:at + 20])))


def can_crc(text):
    """sigrok's field annotations, one per line -> a line per frame."""
    frames, cur = [], None
    for line in text.splitlines():
        line = re.sub(r"^can-\d+: ", "", line)
        if line.startswith("Start of frame"):
            cur = {"ext": False, "rtr": 0, "data": []}
            frames.append(cur)
        elif cur is None:
            continue
        elif line.startswith("Identifier:"):
            cur["id"] = int(re.search(r"\((0x[0-9a-f]+)\)", line).group(1), 16)
        elif line.startswith("Extended Identifier:"):
            cur["ext_id"] = int(re.search(r"\((0x[0-9a-f]+)\)", line).group(1), 16)
        elif line.startswith("Identifier extension bit: extended"):
            cur["ext"] = True
        elif line.startswith("Remote transmission request: remote"):
            cur["rtr"] = 1
        elif line.startswith("Data length code:"):
            cur["dlc"] = int(line.split(":")[1])
        elif line.startswith("Data byte"):
            cur["data"].append(int(line.split(":")[1], 16))
        elif line.startswith("CRC-15 sequence:"):
            cur["crc"] = int(line.split(":")[1], 16)
    out = []
    for f in frames:
        if "crc" not in f:
            continue
        ident = (f["id"] << 18) | f.get("ext_id", 0) if f["ext"] else f["id"]
        crc = crc15(can_head(f["ext"], ident, f["rtr"], f["dlc"], f["data"]))
        out.append("%s:%X:%s%d:%s:%04X%s" % ("29" if f["ext"] else "11", ident, "R" if f["rtr"] else "D", f["dlc"],
                                             "".join("%02X" % d for d in f["data"]), f["crc"],
                                             "" if crc == f["crc"] else ":bad"))
    return " ".join(out)


# ---- LIN ----------------------------------------------------------------------------------------
def parity(ident):
    b = [(ident >> i) & 1 for i in range(6)]
    return b[0] ^ b[1] ^ b[2] ^ b[4], 1 - (b[1] ^ b[3] ^ b[4] ^ b[5])


def lin_sum(values, start=0):
    s = start
    for v in values:
        s += v
        if s > 255:
            s -= 255
    return (~s) & 0xFF


def lin_plan(seed, count, args_path, expected_path, messages_only=False):
    rng = random.Random(seed)
    args, entries = [], []
    for _ in range(count):
        kind = "message" if messages_only else rng.choice(["message", "message", "message", "wakeup", "sleep"])
        if kind == "wakeup":
            delim = rng.randrange(1, 20)
            args += ["--kind", "wakeup", "--wakeup-delimiter", str(delim), "--add"]
            entries.append({"kind": "wakeup", "delimiter": delim})
            continue
        if kind == "sleep":
            args += ["--kind", "sleep", "--add"]
            entries.append({"kind": "message", "break": 13, "delimiter": 1,
                            "bytes": [0x55, 0x3C, 0, 255, 255, 255, 255, 255, 255, 255, 0], "space": False})
            continue
        ident = rng.randrange(64)
        brk = rng.randrange(13, 20)
        delim = rng.randrange(1, 30 - brk)
        n = {2: 4, 3: 8}.get(ident >> 4, 2)
        data = [rng.randrange(256) for _ in range(rng.choice([0, n, n]))]
        p0, p1 = parity(ident)
        pid = ident | p0 << 6 | p1 << 7
        enhanced = rng.random() < 0.5
        used = data if ident >= 0x3E else data[:n]
        checksum = lin_sum(used, pid if enhanced else 0)
        args += ["--kind", "message", "--break", str(brk), "--delimiter", str(delim), "--id", "%X" % ident,
                 "--bytes", ";".join("%02x" % d for d in data), "--checksum", "enhanced" if enhanced else "classic",
                 "--add"]
        entries.append({"kind": "message", "break": brk, "delimiter": delim,
                        "bytes": [0x55, pid], "response": data + [checksum] if data else [], "space": True})
    with open(args_path, "w") as f:
        f.write("\n".join(args) + "\n")
    with open(expected_path, "w") as f:
        json.dump(entries, f)


def lin_check(path, channel, expected_path, count):
    with open(expected_path) as f:
        entries = json.load(f)
    s = vcd_samples(path, [channel])[channel]
    s += [s[-1]] * (count - len(s))  # the instrument holds the last level; the capture has changes only
    pos = 16
    if s[:16] != [1] * 16:
        return "lead-in not recessive"

    def run(level):
        nonlocal pos
        start = pos
        while pos < len(s) and s[pos] == level:
            pos += 1
        return pos - start

    def byte():
        nonlocal pos
        frame = s[pos:pos + 10]
        pos += 10
        if len(frame) < 10 or frame[0] != 0 or frame[9] != 1:
            return None
        return sum(b << i for i, b in enumerate(frame[1:9]))

    for k, e in enumerate(entries):
        where = "entry %d at sample %d" % (k, pos)
        if e["kind"] == "wakeup":
            if run(0) != 8:
                return where + ": wake-up pulse is not 8 bits"
            # The delimiter runs into the next entry's recessive bits only at the end.
            got = run(1)
            if got != e["delimiter"] and not (k == len(entries) - 1 and got >= e["delimiter"]):
                return where + ": wake-up delimiter %d, wanted %d" % (got, e["delimiter"])
            continue
        if run(0) != e["break"] or run(1) != e["delimiter"]:
            return where + ": break or delimiter"
        for b in e["bytes"]:
            if byte() != b:
                return where + ": header byte %02X" % b
        if not e["space"]:
            continue
        if not e["response"]:
            space = run(1)
            if not 6 <= space <= 16 or space % 2:
                return where + ": response space %d for a frame without data" % space
            continue
        space = run(1)
        if not 3 <= space <= 8:
            return where + ": response space %d" % space
        for b in e["response"]:
            if byte() != b:
                return where + ": response byte %02X" % b
    return "ok"


def main(argv):
    command = argv[1]
    if command == "can-plan":
        can_plan(int(argv[2]), int(argv[3]), argv[4], argv[5])
    elif command == "can-check":
        print(can_check(argv[2], argv[3], argv[4], argv[5]))
    elif command == "can-crc":
        print(can_crc(sys.stdin.read()))
    elif command == "lin-plan":
        lin_plan(int(argv[2]), int(argv[3]), argv[4], argv[5], argv[6:] == ["messages"])
    elif command == "lin-check":
        print(lin_check(argv[2], argv[3], argv[4], int(argv[5])))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)

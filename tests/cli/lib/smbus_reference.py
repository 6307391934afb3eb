#!/usr/bin/env python3
"""SMBus and PMBus transactions written out from the SMBus 2.0 and PMBus 1.x definitions, independently
of qvtool's builders, to check what sigrok's i2c decoder reads back from a capture: every start,
repeated start, address with its R/W bit, data byte, ACK/NACK and stop, each PEC recomputed from the
decoded bytes (CRC-8, x^8 + x^2 + x + 1) and each block's byte count against its bytes.

  plan TOOL SEED ARGS EXPECTED   every protocol of the tool (smbus: 21, pmbus: 10) with random fields,
                                 in random order: qvtool arguments (one a line) and the expected events
  check EXPECTED [LOOPS]         sigrok's i2c annotations (stdin) against the expectation (repeated
                                 LOOPS times); prints "ok" or the first difference
  events                         sigrok's i2c annotations (stdin) as event tokens, one line
"""
import json
import random
import sys


def crc8(data):
    crc = 0
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = ((crc << 1) ^ 0x07) & 0xFF if crc & 0x80 else (crc << 1) & 0xFF
    return crc


# ---- the transactions ---------------------------------------------------------------------------
# An event list: "S", "Sr", "P", "ACK", "NACK", "AW:xx" / "AR:xx" (7-bit address), "DW:xx" / "DR:xx";
# PEC bytes are tagged "PEC" in a separate list of positions so that check() can recompute them.
class Transaction:
    def __init__(self):
        self.events, self.pecs, self.counts = [], [], []

    def add(self, *events):
        self.events += events

    def write(self, byte):
        self.add("DW:%02X" % byte, "ACK")

    def pec(self, read, last_ack, since=0):
        """A PEC byte over every byte from event `since` on; recorded for check()."""
        self.pecs.append((len(self.events), since))
        self.add(("DR:%02X" if read else "DW:%02X") % crc8(bus_bytes(self.events[since:])), last_ack)


def bus_bytes(events):
    out = []
    for e in events:
        kind, _, value = e.partition(":")
        if kind in ("AW", "AR"):
            out.append((int(value, 16) << 1) | (kind == "AR"))
        elif kind in ("DW", "DR"):
            out.append(int(value, 16))
    return out


# SMBus protocols in the tool's order: (command, write part, read part, pec); parts: None, "byte",
# "word" or "block".
SMBUS = [(False, None, None, False), (False, "byte", None, False), (False, "byte", None, True),
         (False, None, "byte", False), (False, None, "byte", True), (True, "byte", None, False),
         (True, "word", None, False), (True, "byte", None, True), (True, "word", None, True),
         (True, None, "byte", False), (True, None, "byte", True), (True, None, "word", False),
         (True, None, "word", True), (True, "word", "word", False), (True, "word", "word", True),
         (True, "block", None, False), (True, "block", None, True), (True, None, "block", False),
         (True, None, "block", True), (True, "block", "block", False), (True, "block", "block", True)]


def part_bytes(rng, kind):
    return [rng.randrange(256) for _ in range({"byte": 1, "word": 2, "block": rng.randrange(1, 33)}[kind])]


def smbus_transaction(rng, protocol):
    command, write, read, pec = SMBUS[protocol]
    a, c = rng.randrange(0x80), rng.randrange(256)
    args = ["--protocol", str(protocol), "--address", "%X" % a, "--command", "%x" % c]
    t = Transaction()
    t.add("S")
    wdata = part_bytes(rng, write) if write else []
    rdata = part_bytes(rng, read) if read else []
    if protocol == 0:
        rw = rng.choice(["read", "write"])
        args += ["--rw", rw]
        t.add(("AR:%02X" if rw == "read" else "AW:%02X") % a, "ACK")
    elif command or write:
        t.add("AW:%02X" % a, "ACK")
        if command:
            t.write(c)
        if write:
            if write == "block":
                t.counts.append((len(t.events), len(wdata)))
                t.write(len(wdata))
            for b in wdata:
                t.write(b)
        if read:
            t.add("Sr", "AR:%02X" % a, "ACK")
    else:
        t.add("AR:%02X" % a, "ACK")
    if read:
        if read == "block":
            t.counts.append((len(t.events), len(rdata)))
            t.add("DR:%02X" % len(rdata), "ACK")
        for k, b in enumerate(rdata):
            t.add("DR:%02X" % b, "ACK" if k + 1 < len(rdata) or pec else "NACK")
        if pec:
            t.pec(True, "NACK")
    elif pec:
        t.pec(False, "ACK")
    t.add("P")
    text = lambda data: "".join("%02x;" % b for b in data)
    if write and read:
        args += ["--bytes", text(wdata), "--sr"]
    args += ["--bytes", text(rdata or wdata), "--add"]
    return args, t


# PMBus protocols in the tool's order: (kind, word, pec).
PMBUS = [("group", False, False), ("group", False, True), ("read", False, False), ("read", False, True),
         ("write", False, False), ("write", False, True), ("read", True, False), ("read", True, True),
         ("write", True, False), ("write", True, True)]


def pmbus_transaction(rng, protocol):
    kind, word, pec = PMBUS[protocol]
    args = ["--protocol", str(protocol)]
    t = Transaction()
    t.add("S")
    if kind == "group":
        devices = rng.randrange(1, 4)
        for d in range(devices):
            a, c = rng.randrange(0x80), rng.randrange(256)
            data = [rng.randrange(256) for _ in range(rng.randrange(0, 4))]
            since = len(t.events)
            if d:
                t.add("Sr")
            t.add("AW:%02X" % a, "ACK")
            t.write(c)
            for b in data:
                t.write(b)
            if pec:
                t.pec(False, "ACK", since)  # each device's PEC covers its own part
            args += ["--address", "%X" % a, "--command", "%X" % c, "--bytes", "".join("%02X;" % b for b in data),
                     "--sr" if d + 1 < devices else "--ok"]
        t.add("P")
        return args, t
    a, c, e = rng.randrange(0x80), rng.randrange(256), rng.randrange(256)
    data = [rng.randrange(256) for _ in range(2 if word else 1)]
    t.add("AW:%02X" % a, "ACK")
    t.write(e)
    t.write(c)
    if kind == "write":
        for b in data:
            t.write(b)
        if pec:
            t.pec(False, "ACK")
    else:
        t.add("Sr", "AR:%02X" % a, "ACK")
        for k, b in enumerate(data):
            t.add("DR:%02X" % b, "ACK" if k + 1 < len(data) or pec else "NACK")
        if pec:
            t.pec(True, "NACK")  # the whole transaction, as an SMBus read's
    t.add("P")
    args += ["--address", "%X" % a, "--extension", "%X" % e, "--command", "%X" % c,
             "--bytes", "".join("%X;" % b for b in data), "--ok"]
    return args, t


# ---- sigrok's annotations -------------------------------------------------------------------------
def decoded_events(lines):
    names = {"Start": "S", "Start repeat": "Sr", "Stop": "P", "ACK": "ACK", "NACK": "NACK"}
    prefixes = {"Address write: ": "AW:", "Address read: ": "AR:", "Data write: ": "DW:", "Data read: ": "DR:"}
    events = []
    for line in lines:
        text = line.split(": ", 1)[1].strip() if line.startswith("i2c-") else line.strip()
        if text in names:
            events.append(names[text])
        for prefix, tag in prefixes.items():
            if text.startswith(prefix):
                events.append(tag + "%02X" % int(text[len(prefix):], 16))
    return events


def check(expected, got):
    """The first difference between the expected transactions and the decoded events, or None."""
    at = 0
    for n, t in enumerate(expected):
        events = got[at:at + len(t["events"])]
        if events != t["events"]:
            k = next((i for i, (x, y) in enumerate(zip(events, t["events"])) if x != y), len(events))
            return "transaction %d event %d: got %s, wanted %s" % (n, k, events[k:k + 4], t["events"][k:k + 4])
        # Recompute from what was decoded, not from the plan: every PEC and every byte count.
        for position, since in t["pecs"]:
            pec = int(events[position].split(":")[1], 16)
            if pec != crc8(bus_bytes(events[since:position])):
                return "transaction %d: PEC %02X is not the CRC-8 of its bytes" % (n, pec)
        for position, count in t["counts"]:
            block = [e for e in events[position + 2:] if e[:3] in ("DW:", "DR:")]
            if int(events[position].split(":")[1], 16) != count or len(block) < count:
                return "transaction %d: byte count %s" % (n, events[position])
        at += len(t["events"])
    return None if at == len(got) else "%d events after the last transaction" % (len(got) - at)


def main(argv):
    if argv[0] == "plan":
        tool, seed, args_path, expected_path = argv[1], int(argv[2]), argv[3], argv[4]
        rng = random.Random(seed)
        protocols = list(range(21 if tool == "smbus" else 10))
        rng.shuffle(protocols)
        args, expected = [], []
        for p in protocols:
            a, t = (smbus_transaction if tool == "smbus" else pmbus_transaction)(rng, p)
            args += a
            expected.append({"protocol": p, "events": t.events, "pecs": t.pecs, "counts": t.counts})
        open(args_path, "w").write("\n".join(args) + "\n")
        json.dump(expected, open(expected_path, "w"))
    elif argv[0] == "check":
        expected = json.load(open(argv[1])) * (int(argv[2]) if len(argv) > 2 else 1)
        print(check(expected, decoded_events(sys.stdin)) or "ok")
    elif argv[0] == "events":
        print(" ".join(decoded_events(sys.stdin)))


if __name__ == "__main__":
    main(sys.argv[1:])

#!/usr/bin/env python3
"""Writes a demonstration document as the Wave Editor's hand-off files (WAVEEDIT.LBL, WAVEEDIT.WAV)
into a folder: one-bit rows, a bus in every radix and a few sequencer commands, for screenshots and
for trying the editor by hand.

    python3 scripts/demo_waveform.py <work directory> [samples] [wait sample]

With a wait sample, a WE there (before the jump) makes a run stop and wait for the key event.
"""
import os
import struct
import sys

HEX, DEC, OCT, BIN, ASC, CMD = range(6)


def record(bit, group, name, colour, position):
    return struct.pack("<iii32s32siiiIii", bit, 0, group, name.encode(), b"", colour, 0, position, 0, 0, 0)


def labels():
    out = [record(11 - i, CMD, "QV_Function", 14, 9999 if i == 11 else 2 + i) for i in range(12)]
    singles = [("CLK", 0, 10), ("ENABLE", 1, 12), ("RESET", 2, 9)]
    for name, channel, colour in singles:
        out.append(record(12 + channel, HEX, name, colour, 1))
    buses = [("DATA", HEX, range(10, 2, -1), 15), ("COUNT", DEC, range(14, 10, -1), 11),
             ("OCTAL", OCT, range(20, 14, -1), 13), ("BITS", BIN, range(24, 20, -1), 14),
             ("TEXT", ASC, range(32, 24, -1), 10)]
    for name, group, channels, colour in buses:
        channels = list(channels)
        for k, channel in enumerate(channels):
            out.append(record(12 + channel, group, name, colour, 9999 if k == len(channels) - 1 else 2 + k))
    return b"".join(out)


def command_words(samples, wait=None):
    words = [0] * samples
    if wait is not None:
        words[wait] = 0x700  # WE: waits for the key event
    words[40:43] = [0x800 | (212 & 0xFF), 0x200, 0x100]  # JP 200 (address 212)
    words[60] = 0x600  # SE Key
    words[62] = 0x700  # WE
    words[80:82] = [0x200, 0x401]  # LC 3
    words[100:103] = [0x800 | (92 & 0xFF), 0x200, 0x300]  # LP 80
    return words


def samples(count, wait=None):
    words = command_words(count, wait)
    text = b"Pattern generator "
    out = bytearray()
    for i in range(count):
        s = words[i]
        s |= (i & 1) << 12  # CLK
        s |= ((i // 16) & 1) << 13  # ENABLE
        s |= (1 if i < 6 else 0) << 14  # RESET
        s |= ((i // 4) & 0xFF) << 15  # DATA on channels 3..10
        s |= ((i // 8) % 10) << 23  # COUNT on channels 11..14
        s |= ((i // 12) & 0x3F) << 27  # OCTAL on channels 15..20
        s |= ((i // 6) & 0xF) << 33  # BITS on channels 21..24
        s |= text[(i // 10) % len(text)] << 37  # TEXT on channels 25..32
        out += struct.pack("<Q", s)
    return bytes(out)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "."
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 4096
    wait = int(sys.argv[3]) if len(sys.argv) > 3 else None
    with open(os.path.join(folder, "WAVEEDIT.LBL"), "wb") as f:
        f.write(labels())
    with open(os.path.join(folder, "WAVEEDIT.WAV"), "wb") as f:
        f.write(samples(count, wait))


if __name__ == "__main__":
    sys.exit(main())

"""USB 1.1 checks of a capture, written from the USB 1.1 definition (not from the generator).

usb_reference.py packets        sigrok's usb_packet annotations on stdin -> one line per packet:
                                "SOF 288 1", "SETUP 1 0 17", "DATA0 C0 0C 84 00 00 00 01 00 60E",
                                "ACK" (numbers in hexadecimal, CRCs as the tool's cells show them,
                                most significant bit first); each CRC recomputed here, a mismatch
                                or a SYNC other than 00000001 is printed as "CRC5-ERROR" etc.
usb_reference.py retime IN OUT DP
                                the D+ and D- channels (chDP, chDP+1) of a capture at any clock
                                rewritten one sample per full-speed bit time (83,333 ps), which is
                                what sigrok's full-speed decoder expects
usb_reference.py sof-spacing VCD DP
                                the sample distances between the starts of successive SOF packets,
                                decoded from the line states (J, K, SE0; NRZI; bit stuffing)
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from vcd_samples import samples  # noqa: E402

FULL_SPEED_PS = 83333


def reflected_crc(bits, width, poly, init):
    reg = init
    for b in bits:
        if (reg ^ b) & 1:
            reg = (reg >> 1) ^ poly
        else:
            reg >>= 1
    return reg ^ init


def lsb_bits(value, width):
    return [(value >> k) & 1 for k in range(width)]


def reverse(value, width):
    return int("{:0{}b}".format(value, width)[::-1], 2)


def crc5(bits):  # x^5 + x^2 + 1, reflected
    return reflected_crc(bits, 5, 0x14, 0x1F)


def crc16(bits):  # x^16 + x^15 + x^2 + 1, reflected
    return reflected_crc(bits, 16, 0xA001, 0xFFFF)


def packets(lines):
    out, packet = [], None

    def finish():
        if packet is None:
            return
        pid, errors = packet.get("PID", "?"), list(packet["errors"])
        if packet.get("SYNC") != "00000001":
            errors.append("SYNC-ERROR")
        words = [pid]
        if pid == "SOF":
            frame = int(packet["Frame"])
            sent = int(packet["CRC5"], 16)  # bits as received, first bit least significant
            if crc5(lsb_bits(frame, 11)) != sent:
                errors.append("CRC5-ERROR")
            words += ["%X" % frame, "%X" % reverse(sent, 5)]
        elif pid in ("SETUP", "IN", "OUT"):
            address, endpoint = int(packet["Address"]), int(packet["Endpoint"])
            sent = int(packet["CRC5"], 16)
            if crc5(lsb_bits(address, 7) + lsb_bits(endpoint, 4)) != sent:
                errors.append("CRC5-ERROR")
            words += ["%X" % address, "%X" % endpoint, "%X" % reverse(sent, 5)]
        elif pid in ("DATA0", "DATA1"):
            data = packet["data"]
            sent = int(packet["CRC16"], 16)
            if crc16(sum((lsb_bits(d, 8) for d in data), [])) != sent:
                errors.append("CRC16-ERROR")
            words += ["%02X" % d for d in data] + ["%X" % reverse(sent, 16)]
        out.append(" ".join(words + errors))

    for line in lines:
        text = line.split(": ", 1)[1].strip() if ": " in line else line.strip()
        key, _, value = text.partition(": ")
        if "error" in text.lower():
            if packet is not None:
                packet["errors"].append("DECODER-ERROR(%s)" % text)
            continue
        if key == "SYNC":
            finish()
            packet = {"SYNC": value, "data": [], "errors": []}
        elif packet is not None and key == "Databyte":
            packet["data"].append(int(value, 16))
        elif packet is not None and key in ("PID", "Frame", "Address", "Endpoint", "CRC5", "CRC16"):
            packet[key] = value
    finish()
    return out


def retime(source, target, dp):
    names, rows = samples(source)
    p, m = names.index("ch%d" % dp), names.index("ch%d" % (dp + 1))
    with open(target, "w") as f:
        f.write("$comment full-speed bit times $end\n$timescale 1 ps $end\n$scope module qv $end\n")
        f.write("$var wire 1 ! ch%d $end\n$var wire 1 \" ch%d $end\n" % (dp, dp + 1))
        f.write("$upscope $end\n$enddefinitions $end\n")
        last = None
        for i, r in enumerate(rows):
            state = ((r >> p) & 1, (r >> m) & 1)
            if state != last:
                f.write("#%d\n%d!\n%d\"\n" % (i * FULL_SPEED_PS, state[0], state[1]))
                last = state
        f.write("#%d\n" % (len(rows) * FULL_SPEED_PS))


def sof_starts(source, dp):
    names, rows = samples(source)
    p, m = names.index("ch%d" % dp), names.index("ch%d" % (dp + 1))
    line = ["J" if (r >> p) & 1 and not (r >> m) & 1 else "K" if (r >> m) & 1 and not (r >> p) & 1 else "0"
            for r in rows]
    starts, i = [], 1
    while i < len(line):
        if line[i] == "K" and line[i - 1] == "J":  # start of packet: idle J to K
            start, bits, ones, state, k = i, [], 0, "J", i
            while k < len(line) and line[k] != "0" and len(bits) < 16:
                bit = 1 if line[k] == state else 0
                state = line[k]
                if ones == 6:  # a stuffed bit
                    ones = 0
                else:
                    bits.append(bit)
                    ones = ones + 1 if bit else 0
                k += 1
            if bits[:8] == [0, 0, 0, 0, 0, 0, 0, 1] and bits[8:16] == lsb_bits(0xA5, 8):
                starts.append(start)
            while k < len(line) and line[k] != "0":
                k += 1
            i = k
        i += 1
    return starts


def main(argv):
    if argv[1] == "packets":
        print("\n".join(packets(sys.stdin.read().splitlines())))
    elif argv[1] == "retime":
        retime(argv[2], argv[3], int(argv[4]))
    elif argv[1] == "sof-spacing":
        starts = sof_starts(argv[2], int(argv[3]))
        print(" ".join(str(b - a) for a, b in zip(starts, starts[1:])))


if __name__ == "__main__":
    main(sys.argv)

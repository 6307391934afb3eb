#!/usr/bin/env python3
"""Renders the program's icons and the About picture into resources/icons/.

Standard library only. Each design is drawn with a few primitives on a 32 x 32 grid, rendered with
4 x 4 supersampling into 32 x 32 and 16 x 16 images, and written as one .ico per id (32-bit images
with an AND mask). The About picture is written as an image bitmap and its mask (black where the
picture is opaque), which the About box combines with XOR/AND/XOR.

    python3 scripts/render_icons.py          # rewrites resources/icons/*.ico and *.bmp
"""
import math
import os
import struct
import sys

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "icons")
SS = 4  # supersampling factor

# ---- a tiny 5 x 7 font ------------------------------------------------------------------------
FONT = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "H": ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    "I": ["11111", "00100", "00100", "00100", "00100", "00100", "11111"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "Q": ["01110", "10001", "10001", "10001", "10101", "10010", "01101"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "V": ["10001", "10001", "10001", "10001", "01010", "01010", "00100"],
    "W": ["10001", "10001", "10001", "10101", "10101", "11011", "10001"],
    "X": ["10001", "01010", "00100", "00100", "00100", "01010", "10001"],
    "Z": ["11111", "00001", "00010", "00100", "01000", "10000", "11111"],
    "0": ["01110", "10011", "10101", "10101", "10101", "11001", "01110"],
    "1": ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    "2": ["01110", "10001", "00001", "00110", "01000", "10000", "11111"],
    "3": ["11110", "00001", "00001", "01110", "00001", "00001", "11110"],
    "?": ["01110", "10001", "00001", "00110", "00100", "00000", "00100"],
    "+": ["00000", "00100", "00100", "11111", "00100", "00100", "00000"],
    "-": ["00000", "00000", "00000", "11111", "00000", "00000", "00000"],
}


class Canvas:
    """RGBA canvas on a 32-unit grid, stored at size * SS pixels."""

    def __init__(self, size, units=32):
        self.size = size
        self.units = units
        self.n = size * SS
        self.k = self.n / units  # pixels per unit
        self.px = [[(0, 0, 0, 0)] * self.n for _ in range(self.n)]

    def _put(self, x, y, colour):
        if 0 <= x < self.n and 0 <= y < self.n:
            r, g, b, a = colour
            if a >= 255:
                self.px[y][x] = colour
            else:
                dr, dg, db, da = self.px[y][x]
                t = a / 255.0
                out_a = a + da * (1 - t)
                if out_a <= 0:
                    return
                mix = lambda s, d: int((s * a + d * da * (1 - t)) / out_a)
                self.px[y][x] = (mix(r, dr), mix(g, dg), mix(b, db), int(out_a))

    def _span(self, x0, y0, x1, y1):
        k = self.k
        return (max(0, int(math.floor(x0 * k))), max(0, int(math.floor(y0 * k))),
                min(self.n, int(math.ceil(x1 * k))), min(self.n, int(math.ceil(y1 * k))))

    def shape(self, inside, box, colour):
        """Fills every pixel whose centre (in units) satisfies inside(x, y)."""
        px0, py0, px1, py1 = self._span(*box)
        k = self.k
        for py in range(py0, py1):
            y = (py + 0.5) / k
            for px in range(px0, px1):
                if inside((px + 0.5) / k, y):
                    self._put(px, py, colour)

    def rect(self, x0, y0, x1, y1, colour):
        self.shape(lambda x, y: x0 <= x < x1 and y0 <= y < y1, (x0, y0, x1, y1), colour)

    def round_rect(self, x0, y0, x1, y1, r, colour):
        def inside(x, y):
            cx = min(max(x, x0 + r), x1 - r)
            cy = min(max(y, y0 + r), y1 - r)
            return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
        self.shape(inside, (x0, y0, x1, y1), colour)

    def circle(self, cx, cy, r, colour, inner=0.0):
        self.shape(lambda x, y: inner * inner <= (x - cx) ** 2 + (y - cy) ** 2 <= r * r,
                   (cx - r, cy - r, cx + r, cy + r), colour)

    def line(self, points, width, colour):
        """A polyline of the given width with round joins."""
        h = width / 2.0
        for (ax, ay), (bx, by) in zip(points, points[1:]):
            def inside(x, y, ax=ax, ay=ay, bx=bx, by=by):
                dx, dy = bx - ax, by - ay
                length = dx * dx + dy * dy
                t = 0 if length == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length))
                return (x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2 <= h * h
            self.shape(inside, (min(ax, bx) - h, min(ay, by) - h, max(ax, bx) + h, max(ay, by) + h), colour)

    def polygon(self, points, colour):
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]

        def inside(x, y):
            hit = False
            for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
                if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                    hit = not hit
            return hit
        self.shape(inside, (min(xs), min(ys), max(xs), max(ys)), colour)

    def text(self, s, x, y, unit, colour):
        """5 x 7 glyphs, unit units per dot, one dot between glyphs."""
        for i, ch in enumerate(s):
            rows = FONT[ch]
            gx = x + i * 6 * unit
            for r, row in enumerate(rows):
                for c, bit in enumerate(row):
                    if bit == "1":
                        self.rect(gx + c * unit, y + r * unit, gx + (c + 1) * unit, y + (r + 1) * unit, colour)

    def text_centred(self, s, cx, y, unit, colour):
        width = (len(s) * 6 - 1) * unit
        self.text(s, cx - width / 2.0, y, unit, colour)

    def pixels(self):
        """Box-filtered down to size x size, premultiplied averaging."""
        out = []
        area = SS * SS
        for y in range(self.size):
            row = []
            for x in range(self.size):
                r = g = b = a = 0
                for sy in range(SS):
                    line = self.px[y * SS + sy]
                    for sx in range(SS):
                        pr, pg, pb, pa = line[x * SS + sx]
                        r += pr * pa
                        g += pg * pa
                        b += pb * pa
                        a += pa
                if a == 0:
                    row.append((0, 0, 0, 0))
                else:
                    row.append((r // a, g // a, b // a, a // area))
            out.append(row)
        return out


# ---- palette ----------------------------------------------------------------------------------
WHITE = (255, 255, 255, 255)
BLACK = (0, 0, 0, 255)
DARK = (40, 44, 52, 255)
GREY = (120, 126, 136, 255)
LIGHT = (222, 226, 232, 255)
BLUE = (34, 102, 204, 255)
SKY = (120, 190, 255, 255)
GREEN = (40, 160, 80, 255)
LIME = (150, 230, 90, 255)
ORANGE = (235, 130, 30, 255)
RED = (205, 50, 50, 255)
YELLOW = (250, 210, 60, 255)
PURPLE = (120, 70, 180, 255)
TEAL = (20, 150, 150, 255)
PAPER = (250, 250, 245, 255)


def tile(c, colour):
    c.round_rect(1, 1, 31, 31, 5, DARK)
    c.round_rect(2, 2, 30, 30, 4, colour)


def square_wave(c, x0, x1, hi, lo, edges, colour, width=1.6):
    """A digital trace from x0 to x1 toggling at the given x positions, starting low."""
    pts = [(x0, lo)]
    level = lo
    for e in edges:
        pts.append((e, level))
        level = hi if level == lo else lo
        pts.append((e, level))
    pts.append((x1, level))
    c.line(pts, width, colour)


def protocol(label, colour, edges, unit=1.0):
    def draw(c):
        tile(c, colour)
        c.text_centred(label, 16, 6, unit, WHITE)
        square_wave(c, 5, 27, 19, 26, edges, YELLOW)
    return draw


def document(c, x0, y0, x1, y1):
    c.polygon([(x0, y0), (x1 - 5, y0), (x1, y0 + 5), (x1, y1), (x0, y1)], DARK)
    c.polygon([(x0 + 1, y0 + 1), (x1 - 5.5, y0 + 1), (x1 - 1, y0 + 5.5), (x1 - 1, y1 - 1), (x0 + 1, y1 - 1)], PAPER)
    c.polygon([(x1 - 5, y0), (x1 - 5, y0 + 5), (x1, y0 + 5)], GREY)


def arrow_to_wave(c, colour):
    c.polygon([(17, 9), (23, 9), (23, 5.5), (29.5, 11.5), (23, 17.5), (23, 14), (17, 14)], colour)
    square_wave(c, 3, 29, 25, 29.5, [7, 12, 15, 21, 24], BLUE, 1.4)


def converter(label, colour):
    def draw(c):
        document(c, 1, 1, 20, 21)
        unit = 0.8 if len(label) <= 3 else 0.62
        c.text_centred(label, 9.5, 5, unit, colour)
        for y in (13, 16):
            c.line([(4, y), (15, y)], 1.0, GREY)
        arrow_to_wave(c, colour)
    return draw


def wave_editor(c):
    c.round_rect(1, 1, 31, 31, 4, DARK)
    c.round_rect(2, 2, 30, 30, 3, (14, 24, 40, 255))
    for y in (9, 17, 25):
        c.line([(3, y), (29, y)], 0.4, (60, 80, 110, 255))
    square_wave(c, 3, 29, 4, 9, [6, 10, 14, 18, 22, 26], LIME)
    square_wave(c, 3, 29, 12, 17, [10, 18, 26], SKY)
    square_wave(c, 3, 29, 20, 25, [8, 13, 15, 24], YELLOW)
    # pencil
    c.line([(27, 22), (20, 29)], 3.2, ORANGE)
    c.polygon([(18.2, 28.6), (19.4, 30.8), (17.2, 31.0)], DARK)


def script(c):
    document(c, 5, 2, 27, 30)
    for i, y in enumerate(range(9, 28, 4)):
        c.line([(9, y), (23 - (i % 3) * 4, y)], 1.4, GREY)
    c.circle(24, 26, 4.2, PURPLE)
    c.text_centred("S", 24, 22.5, 1.0, WHITE)


def counter(staggered):
    def draw(c):
        tile(c, TEAL if not staggered else (30, 110, 160, 255))
        c.text_centred("CNT", 16, 4, 0.9, WHITE)
        d = 1.5 if staggered else 0.0
        square_wave(c, 4, 28, 12, 15.5, [6, 9, 12, 15, 18, 21, 24, 27], LIME, 1.2)
        square_wave(c, 4, 28, 18, 21.5, [9 + d, 15 + d, 21 + d, 27], YELLOW, 1.2)
        square_wave(c, 4, 28, 24, 27.5, [15 + 2 * d, 27], SKY, 1.2)
    return draw


def printer(c):
    c.rect(9, 3, 23, 12, PAPER)
    c.round_rect(3, 10, 29, 24, 3, DARK)
    c.round_rect(4, 11, 28, 23, 2, GREY)
    c.circle(24, 14.5, 1.3, LIME)
    c.rect(8, 19, 24, 29, PAPER)
    c.rect(8, 19, 24, 20, DARK)
    for y in (22.5, 25.5):
        c.line([(10, y), (22, y)], 1.0, BLUE)


def rs232(c):
    tile(c, (60, 70, 90, 255))
    c.polygon([(3, 5), (29, 5), (25, 17), (7, 17)], LIGHT)
    c.polygon([(4.5, 6), (27.5, 6), (24.3, 16), (7.7, 16)], GREY)
    for i in range(5):
        c.circle(8 + i * 4, 9, 1.2, YELLOW)
    for i in range(4):
        c.circle(10 + i * 4, 13, 1.2, YELLOW)
    c.text_centred("232", 16, 21, 1.0, WHITE)


def properties_gear(c):
    cx, cy = 16, 16
    teeth = []
    for i in range(16):
        a = i * math.pi / 8 - math.pi / 16
        r = 14 if i % 2 == 0 else 10.5
        teeth.append((cx + r * math.cos(a), cy + r * math.sin(a)))
        a2 = a + math.pi / 8 * 0.999
        teeth.append((cx + r * math.cos(a2), cy + r * math.sin(a2)))
    c.polygon(teeth, DARK)
    c.circle(cx, cy, 10.5, (150, 156, 166, 255))
    c.circle(cx, cy, 8.5, (190, 196, 204, 255))
    c.circle(cx, cy, 4, DARK)
    c.circle(cx, cy, 2.6, LIGHT)


def batch(c):
    for i, off in enumerate((6, 3, 0)):
        document(c, 3 + off, 1 + off, 19 + off, 22 + off)
    c.circle(22, 22, 8, GREEN)
    c.polygon([(19.5, 17.5), (19.5, 26.5), (27, 22)], WHITE)


def encoder(c):
    tile(c, (150, 60, 120, 255))
    c.text_centred("NRZ", 16, 4, 0.9, WHITE)
    # Manchester: a transition in the middle of each bit
    square_wave(c, 4, 28, 13, 18, [7, 10, 13, 16, 19, 22, 25], YELLOW, 1.3)
    square_wave(c, 4, 28, 22, 27, [10, 13, 19, 25], LIME, 1.3)


def usb(c):
    tile(c, (40, 60, 130, 255))
    c.line([(16, 26), (16, 6)], 1.8, WHITE)
    c.polygon([(12.5, 8), (19.5, 8), (16, 3)], WHITE)
    c.line([(16, 20), (9, 14), (9, 11)], 1.6, WHITE)
    c.circle(9, 10, 2.2, WHITE)
    c.line([(16, 17), (23, 12), (23, 9)], 1.6, WHITE)
    c.rect(21, 6.5, 25, 10.5, WHITE)
    c.circle(16, 26.5, 3, WHITE)


def pwm(c):
    tile(c, (170, 80, 30, 255))
    c.text_centred("PWM", 16, 4, 0.9, WHITE)
    square_wave(c, 4, 28, 14, 26, [5, 6.5, 10, 13, 15, 20.5, 22, 28], YELLOW, 1.4)


def dmx(c):
    tile(c, (90, 40, 120, 255))
    c.circle(16, 13, 9.5, LIGHT)
    c.circle(16, 13, 8, DARK)
    for i in range(5):
        a = -math.pi / 2 + i * 2 * math.pi / 5
        c.circle(16 + 4.5 * math.cos(a), 13 + 4.5 * math.sin(a), 1.3, YELLOW)
    c.text_centred("DMX", 16, 24, 0.8, WHITE)


def one_wire(c):
    tile(c, (60, 120, 60, 255))
    c.text_centred("1W", 16, 5, 1.2, WHITE)
    # reset pulse then slots
    square_wave(c, 4, 28, 19, 26, [6, 14, 16, 18, 22, 23], YELLOW, 1.4)


def la_import(c):
    c.round_rect(1, 1, 31, 31, 4, DARK)
    c.round_rect(2, 2, 30, 30, 3, (10, 30, 20, 255))
    c.text("LA", 3.5, 3.5, 1.0, LIME)
    for i, y in enumerate((13, 19, 25)):
        square_wave(c, 3, 29, y, y + 4, [5 + i * 2, 11 + i, 17 - i, 23 + i], LIME if i != 1 else SKY, 1.1)
    c.polygon([(19, 3.5), (28, 3.5), (23.5, 9)], ORANGE)


def program_icon(c):
    c.round_rect(0.5, 0.5, 31.5, 31.5, 6, (10, 14, 22, 255))
    c.round_rect(1.5, 1.5, 30.5, 30.5, 5, (20, 34, 60, 255))
    c.text_centred("QV", 16, 4, 1.6, WHITE)
    square_wave(c, 3, 29, 19, 27, [7, 11, 14, 20, 23, 26], LIME, 1.8)


def busy(frame):
    def draw(c):
        for i in range(8):
            a = -math.pi / 2 + i * math.pi / 4
            age = (frame - i) % 8
            shade = 255 - age * 26
            colour = (30, 90 + shade // 3, shade, 255) if age < 7 else (200, 204, 210, 255)
            r = 3.4 if age == 0 else 2.8 if age < 3 else 2.3
            c.circle(16 + 11 * math.cos(a), 16 + 11 * math.sin(a), r, colour)
        c.circle(16, 16, 3, GREEN if frame % 2 == 0 else LIME)
    return draw


ICONS = {
    101: program_icon,
    201: wave_editor,
    202: script,
    203: counter(False),
    204: counter(True),
    205: printer,
    206: rs232,
    207: protocol("I2C", (30, 120, 200, 255), [7, 9, 12, 15, 17, 21, 24]),
    208: converter("BIN", RED),
    209: converter("TXT", BLUE),
    210: la_import,
    211: converter("ALT", PURPLE),
    212: properties_gear,
    414: batch,
    428: protocol("SPI", (200, 90, 40, 255), [6, 8, 10, 12, 14, 16, 18, 20, 22, 24]),
    433: converter("VHDL", GREEN),
    439: protocol("LIN", (40, 140, 110, 255), [6, 13, 15, 17, 19, 21, 25]),
    440: protocol("CAN", (190, 40, 60, 255), [7, 10, 12, 17, 19, 22, 26]),
    448: protocol("HDQ", (110, 110, 40, 255), [6, 10, 13, 15, 19, 23, 25]),
    467: one_wire,
    524: protocol("I2S", (70, 90, 180, 255), [8, 10, 12, 14, 20, 22, 24, 26]),
    528: encoder,
    532: usb,
    547: protocol("SMB", (30, 130, 170, 255), [6, 9, 11, 16, 18, 23, 26]),
    550: protocol("PMB", (170, 120, 20, 255), [6, 8, 13, 16, 20, 22, 26]),
    553: pwm,
    555: converter("VCD", TEAL),
    561: dmx,
}
for f in range(8):
    ICONS[800 + f] = busy(f)


# ---- the Wave Editor's toolbar (drawn to read at 16 x 16) ----------------------------------------
def tb_new(c):
    document(c, 6, 2, 26, 30)


def tb_open(c):
    c.polygon([(2, 8), (11, 8), (14, 11), (28, 11), (28, 28), (2, 28)], (170, 120, 20, 255))
    c.polygon([(6, 15), (31, 15), (27, 28), (2, 28)], YELLOW)


def tb_save(c):
    c.round_rect(3, 3, 29, 29, 2, BLUE)
    c.rect(8, 3, 24, 13, PAPER)
    c.rect(19, 5, 22, 11, DARK)
    c.rect(7, 18, 25, 29, LIGHT)


def magnifier(sign):
    def draw(c):
        c.line([(19, 19), (29, 29)], 4.0, DARK)
        c.circle(13, 13, 11, DARK)
        c.circle(13, 13, 9, (210, 235, 255, 255))
        c.line([(8, 13), (18, 13)], 2.6, DARK)
        if sign == "+":
            c.line([(13, 8), (13, 18)], 2.6, DARK)
    return draw


def level(high):
    def draw(c):
        y = 8 if high else 24
        c.line([(3, 16), (29, 16)], 0.6, GREY)
        c.line([(3, y), (29, y)], 3.0, GREEN if high else BLUE)
        c.text_centred("H" if high else "L", 16, 10 if not high else 14, 1.2, DARK)
    return draw


def tb_invert(c):
    square_wave(c, 3, 29, 5, 13, [10, 18, 24], GREEN, 2.2)
    square_wave(c, 3, 29, 27, 19, [10, 18, 24], RED, 2.2)


def tb_clock(c):
    square_wave(c, 2, 30, 8, 24, [5, 9, 13, 17, 21, 25, 29], BLUE, 2.2)


def tb_bus(c):
    c.line([(2, 9), (10, 9), (14, 23), (22, 23), (26, 9), (30, 9)], 2.0, PURPLE)
    c.line([(2, 23), (10, 23), (14, 9), (22, 9), (26, 23), (30, 23)], 2.0, PURPLE)


def tb_command(c):
    c.round_rect(1, 7, 31, 25, 3, (14, 24, 40, 255))
    c.text_centred("CMD", 16, 12, 0.85, YELLOW)


def tb_check(c):
    c.circle(16, 16, 14, GREEN)
    c.line([(8, 16), (14, 22), (25, 9)], 3.6, WHITE)


def tb_run(c):
    c.polygon([(7, 3), (28, 16), (7, 29)], GREEN)


def tb_stop(c):
    c.round_rect(5, 5, 27, 27, 3, RED)


def tb_help(c):
    c.circle(16, 16, 14, BLUE)
    c.text_centred("?", 16, 7, 2.4, WHITE)


def tb_wizard(c):
    c.line([(4, 28), (20, 12)], 3.4, DARK)
    star = []
    for i in range(10):
        a = i * math.pi / 5 - math.pi / 2
        r = 8 if i % 2 == 0 else 3.4
        star.append((23 + r * math.cos(a), 9 + r * math.sin(a)))
    c.polygon(star, YELLOW)


def tb_cut(c):
    c.line([(9, 3), (20, 20)], 2.0, DARK)
    c.line([(23, 3), (12, 20)], 2.0, DARK)
    c.circle(9, 24, 5, RED, inner=2.6)
    c.circle(23, 24, 5, RED, inner=2.6)


def tb_copy(c):
    document(c, 3, 2, 19, 22)
    document(c, 12, 9, 28, 30)


def tb_paste(c):
    c.round_rect(4, 5, 24, 30, 2, (170, 120, 20, 255))
    c.rect(10, 3, 18, 8, GREY)
    document(c, 12, 12, 29, 31)


def tb_syntax(c):
    document(c, 3, 2, 22, 28)
    for y in (9, 13, 17):
        c.line([(6, y), (18, y)], 1.2, GREY)
    c.line([(15, 22), (20, 27), (30, 14)], 3.0, GREEN)


TOOLBAR_ICONS = {
    900: tb_new, 901: tb_open, 902: tb_save, 903: magnifier("+"), 904: magnifier("-"),
    905: level(False), 906: level(True), 907: tb_invert, 908: tb_clock, 909: tb_bus,
    910: tb_command, 911: tb_check, 912: tb_run, 913: tb_stop, 914: properties_gear,
    915: tb_help, 916: printer, 917: tb_wizard, 918: tb_cut, 919: tb_copy, 920: tb_paste, 921: tb_syntax,
}
ICONS.update(TOOLBAR_ICONS)


# ---- file writers -----------------------------------------------------------------------------
def dib(pixels):
    """BITMAPINFOHEADER + bottom-up BGRA + AND mask, as an icon image."""
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(xor) + bytes(mask)


def write_ico(path, images):
    entries = b""
    data = b""
    offset = 6 + 16 * len(images)
    for pixels in images:
        size = len(pixels)
        blob = dib(pixels)
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset + len(data))
        data += blob
    with open(path + ".tmp", "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)) + entries + data)
    os.replace(path + ".tmp", path)


def write_bmp(path, rows):
    """24-bit bottom-up BMP of RGB rows."""
    height = len(rows)
    width = len(rows[0])
    stride = (width * 3 + 3) & ~3
    body = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += bytes(stride - len(line))
        body += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(body), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    with open(path + ".tmp", "wb") as f:
        f.write(header + info + body)
    os.replace(path + ".tmp", path)


def about_picture():
    """The About picture: the program mark with a waveform banner, 96 x 96, on transparency."""
    c = Canvas(96, units=32)
    c.circle(16, 16, 15.5, (20, 34, 60, 255))
    c.circle(16, 16, 14.2, (34, 60, 110, 255))
    c.text_centred("QV", 16, 6, 1.4, WHITE)
    square_wave(c, 4, 28, 18, 24, [7, 10, 13, 17, 20, 24], LIME, 1.4)
    c.line([(6, 27), (26, 27)], 0.6, SKY)
    pixels = c.pixels()
    image = [[(r, g, b) if a >= 128 else (0, 0, 0) for r, g, b, a in row] for row in pixels]
    mask = [[(0, 0, 0) if a >= 128 else (255, 255, 255) for _, _, _, a in row] for row in pixels]
    return image, mask


def main():
    os.makedirs(OUT, exist_ok=True)
    for icon_id, draw in sorted(ICONS.items()):
        images = []
        for size in (32, 16):
            c = Canvas(size)
            draw(c)
            images.append(c.pixels())
        write_ico(os.path.join(OUT, "%d.ico" % icon_id), images)
    image, mask = about_picture()
    write_bmp(os.path.join(OUT, "305.bmp"), image)
    write_bmp(os.path.join(OUT, "396.bmp"), mask)
    print("wrote %d icons and the About picture to %s" % (len(ICONS), os.path.normpath(OUT)))


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Draws the tool's images: status lamps, page icons and the window icon.

Only the standard library is used; PNG is written by hand and wrapped in an
ICO container (PNG inside ICO) where an .ico is wanted. Run it from anywhere;
the images land beside this script.
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def png(width, height, pixels):
    """pixels: list of rows of (r, g, b, a) tuples."""
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def ico(png_bytes, size):
    entry = struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(png_bytes), 6 + 16)
    return struct.pack("<HHH", 0, 1, 1) + entry + png_bytes


def clamp(v):
    return max(0, min(255, int(round(v))))


def canvas(size, shade):
    """shade(x, y) -> (r, g, b, a) with x, y in 0..1, sampled 4x4 per pixel."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(4):
                for sx in range(4):
                    r, g, b, a = shade((px + (sx + 0.5) / 4) / size, (py + (sy + 0.5) / 4) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            a = acc[3] / 16
            if a > 0:
                row.append((clamp(acc[0] / acc[3]), clamp(acc[1] / acc[3]), clamp(acc[2] / acc[3]), clamp(a * 255)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def lamp(colour):
    base = colour

    def shade(x, y):
        d = math.hypot(x - 0.5, y - 0.5)
        if d > 0.47:
            return (0, 0, 0, 0)
        if d > 0.42:  # dark rim
            return (60, 60, 60, 1)
        # lit dome: brighter towards a highlight up and to the left
        h = math.hypot(x - 0.38, y - 0.34)
        glow = max(0.0, 1 - h / 0.42)
        r, g, b = (c * (0.55 + 0.45 * glow) + 255 * 0.55 * glow ** 3 for c in base)
        return (r, g, b, 1)

    return shade


def rounded_square(x, y, inset=0.06, radius=0.18):
    dx = max(abs(x - 0.5) - (0.5 - inset - radius), 0)
    dy = max(abs(y - 0.5) - (0.5 - inset - radius), 0)
    return math.hypot(dx, dy) <= radius


def icon(colour, glyph):
    def shade(x, y):
        if not rounded_square(x, y):
            return (0, 0, 0, 0)
        if glyph(x, y):
            return (255, 255, 255, 1)
        t = y * 0.35
        return (colour[0] * (1 - t), colour[1] * (1 - t), colour[2] * (1 - t), 1)

    return shade


def glyph_table(x, y):  # parameter table: rows and a column rule
    inside = 0.22 < x < 0.78 and 0.24 < y < 0.76
    line = any(abs(y - v) < 0.025 for v in (0.24, 0.41, 0.58, 0.76)) or abs(x - 0.22) < 0.025 \
        or abs(x - 0.78) < 0.025 or abs(x - 0.42) < 0.025
    return inside and line or (abs(x - 0.22) < 0.025 or abs(x - 0.78) < 0.025) and 0.24 < y < 0.76 \
        or any(abs(y - v) < 0.025 for v in (0.24, 0.76)) and 0.22 < x < 0.78


def glyph_gauge(x, y):  # monitor: a dial with a needle
    d = math.hypot(x - 0.5, y - 0.58)
    arc = abs(d - 0.27) < 0.035 and y < 0.62
    t = (x - 0.5) * 0.7 + (0.58 - y) * 0.7
    needle = abs((x - 0.5) * 0.7 - (0.58 - y) * 0.7) < 0.03 and 0 < t < 0.25
    return arc or needle or math.hypot(x - 0.5, y - 0.58) < 0.05


def glyph_play(x, y):  # manual run: a triangle
    return 0.34 < x < 0.72 and abs(y - 0.5) < (0.72 - x) * 0.62


def glyph_wave(x, y):  # waveform: a sine
    return 0.18 < x < 0.82 and abs(y - (0.5 - 0.2 * math.sin((x - 0.18) / 0.64 * 2 * math.pi))) < 0.045


def glyph_warning(x, y):  # faults: an exclamation mark
    return (abs(x - 0.5) < 0.05 and 0.22 < y < 0.6) or math.hypot(x - 0.5, y - 0.72) < 0.055


def glyph_logo(x, y):  # window icon: a motor shaft in a ring
    d = math.hypot(x - 0.5, y - 0.5)
    return abs(d - 0.26) < 0.05 or d < 0.09 or (abs(y - 0.5) < 0.035 and 0.5 < x < 0.84)


def glyph_tick(x, y):  # a tick mark
    return (abs((y - 0.55) + (x - 0.42)) < 0.06 and 0.22 < x < 0.42) or \
        (abs((y - 0.55) + (x - 0.42) * 1.1) < 0.06 and 0.42 <= x < 0.78)


def glyph_cross(x, y):  # a cross
    return (abs((x - 0.5) - (y - 0.5)) < 0.06 or abs((x - 0.5) + (y - 0.5)) < 0.06) \
        and abs(x - 0.5) < 0.24 and abs(y - 0.5) < 0.24


def badge(colour, glyph):
    def shade(x, y):
        if math.hypot(x - 0.5, y - 0.5) > 0.46:
            return (0, 0, 0, 0)
        if glyph(x, y):
            return (255, 255, 255, 1)
        t = y * 0.3
        return (colour[0] * (1 - t), colour[1] * (1 - t), colour[2] * (1 - t), 1)

    return shade


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def main():
    for name, colour in (("red-light.ico", (220, 30, 30)), ("green-light.ico", (20, 200, 60))):
        # Drawn into 24 pixels, 48 on a doubled screen: enough pixels for both.
        write(name, ico(png(64, 64, canvas(64, lamp(colour))), 64))
    for name, colour, glyph in (
        ("page-parameters.png", (40, 100, 200), glyph_table),
        ("page-monitor.png", (0, 140, 140), glyph_gauge),
        ("page-run.png", (30, 150, 60), glyph_play),
        ("page-waveform.png", (120, 70, 190), glyph_wave),
        ("page-faults.png", (210, 110, 20), glyph_warning),
        ("logo.png", (30, 60, 120), glyph_logo),
    ):
        write(name, png(48, 48, canvas(48, icon(colour, glyph))))
        # Twice the pixels for scaled screens; Qt picks "@2x" files by name.
        write(name.replace(".png", "@2x.png"), png(96, 96, canvas(96, icon(colour, glyph))))
    # Results of a parameter write, in the table's first column.
    for name, colour, glyph in (("success", (30, 170, 60), glyph_tick), ("error", (210, 40, 40), glyph_cross)):
        write(name + ".png", png(24, 24, canvas(24, badge(colour, glyph))))
        write(name + "@2x.png", png(48, 48, canvas(48, badge(colour, glyph))))


if __name__ == "__main__":
    main()

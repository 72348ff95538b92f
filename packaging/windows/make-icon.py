#!/usr/bin/env python3
"""Draws packaging/zr40tool.svg's picture (a monitor with a heart trace and radio waves) into
zr40tool.ico at 16, 24, 32, 48 and 256 pixels. The shapes are those of the SVG, drawn here with
4x4 samples per pixel so that no image tool is needed. Run it when the picture changes:
    python3 packaging/windows/make-icon.py packaging/windows/zr40tool.ico
"""
import math
import struct
import sys
import zlib

BLUE = (0x1F, 0x5F, 0x8B)
SCREEN = (0x0B, 0x1D, 0x2A)
GREEN = (0x3E, 0xE0, 0x7A)
ORANGE = (0xF0, 0xA0, 0x20)


def in_round_rect(x, y, rx0, ry0, w, h, r):
    if x < rx0 or x > rx0 + w or y < ry0 or y > ry0 + h:
        return False
    cx = min(max(x, rx0 + r), rx0 + w - r)
    cy = min(max(y, ry0 + r), ry0 + h - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def segment_distance(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - ax - t * dx, y - ay - t * dy)


TRACE = [(10, 31), (17, 31), (20, 24), (24, 38), (28, 27), (31, 31), (42, 31)]


def on_trace(x, y):
    return any(segment_distance(x, y, *TRACE[i], *TRACE[i + 1]) <= 1.25
               for i in range(len(TRACE) - 1))


def on_arc(x, y, cx, cy, r, half_angle, width):
    # the wave arcs open to the right of their centre, with round ends
    angle = math.atan2(y - cy, x - cx)
    if abs(angle) <= half_angle:
        return abs(math.hypot(x - cx, y - cy) - r) <= width / 2
    for sign in (-1, 1):
        ex = cx + r * math.cos(sign * half_angle)
        ey = cy + r * math.sin(sign * half_angle)
        if math.hypot(x - ex, y - ey) <= width / 2:
            return True
    return False


def colour_at(x, y):
    """The SVG's colour at (x, y) of its 64 x 64 box, painted in document order; None: clear."""
    c = None
    if in_round_rect(x, y, 4, 14, 44, 36, 5):
        c = BLUE
    if in_round_rect(x, y, 8, 18, 36, 24, 2):
        c = SCREEN
    if on_trace(x, y):
        c = GREEN
    if 20 <= x <= 32 and 50 <= y <= 54:
        c = BLUE
    if in_round_rect(x, y, 14, 54, 24, 3, 1.5):
        c = BLUE
    if on_arc(x, y, 50 - math.sqrt(64 - 36), 26, 8, math.atan2(6, math.sqrt(28)), 3):
        c = ORANGE
    if on_arc(x, y, 45, 26, 15, math.atan2(12, 9), 3):
        c = ORANGE
    if math.hypot(x - 48, y - 26) <= 2.5:
        c = ORANGE
    return c


def render(size):
    """Rows of (r, g, b, a), top row first."""
    n = 4
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0]
            hits = 0
            for sy in range(n):
                for sx in range(n):
                    x = (px + (sx + 0.5) / n) * 64.0 / size
                    y = (py + (sy + 0.5) / n) * 64.0 / size
                    c = colour_at(x, y)
                    if c is not None:
                        hits += 1
                        for i in range(3):
                            acc[i] += c[i]
            if hits == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(v // hits for v in acc) + (255 * hits // (n * n),))
        rows.append(row)
    return rows


def bmp_entry(size, rows):
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b''.join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_row = ((size + 31) // 32) * 4
    mask = bytes(mask_row * size)  # the alpha channel decides; the mask lets everything through
    return header + pixels + mask


def png_entry(size, rows):
    raw = b''.join(b'\0' + b''.join(bytes(p) for p in row) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body))

    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def main(path):
    sizes = [16, 24, 32, 48, 256]
    images = [(s, png_entry(s, render(s)) if s == 256 else bmp_entry(s, render(s))) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        dim = 0 if size == 256 else size
        out += struct.pack('<BBBBHHII', dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b''.join(data for _, data in images)
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'zr40tool.ico')

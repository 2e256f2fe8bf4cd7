#!/usr/bin/env python3
"""Draws the program's icon, src/ui/icons/zephyrant.png (128 x 128, RGBA): a round patch of sky over green
fields, a microlight trike with its orange swept wing, and the red dashes of its track climbing from the
airfield. Each pixel is the mean of 4 x 4 samples, so the edges are smooth.

  python3 scripts/make_icon.py [OUT.png]

Only the standard library. Run it again after changing the drawing and commit the picture."""
import math
import os
import struct
import sys
import zlib

SIZE = 128
SAMPLES = 4
CX, CY, RADIUS = 64.0, 64.0, 60.0


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def inside_polygon(x, y, points):
    inside = False
    j = len(points) - 1
    for i in range(len(points)):
        xi, yi = points[i]
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


def segment_distance(x, y, a, b):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - ax - t * dx, y - ay - t * dy), t


# The track: a climbing curve from the airfield (lower left) towards the trike.
TRACK = [(18 + 40 * t + 10 * t * t, 100 - 30 * t - 12 * t * t) for t in [i / 24 for i in range(25)]]
TRACK_LENGTHS = [0.0]
for p, q in zip(TRACK, TRACK[1:]):
    TRACK_LENGTHS.append(TRACK_LENGTHS[-1] + math.dist(p, q))

WING = [(70, 30), (18, 58), (66, 50), (112, 60)]  # nose, left tip, trailing notch, right tip
WING_EDGE = [(70, 30), (18, 58)], [(70, 30), (112, 60)]
MAST = ((66, 50), (64, 70))
POD = (64, 74, 11, 5.5)  # centre, half axes
WHEELS = [(55, 81), (73, 81)]


def colour(x, y):
    """The colour and coverage (0 or 1) of one sample."""
    r = math.hypot(x - CX, y - CY)
    if r > RADIUS:
        return (0, 0, 0), 0.0
    if r > RADIUS - 3:
        return (28, 70, 140), 1.0  # the rim
    # Sky, lighter towards the horizon.
    c = mix((70, 140, 225), (175, 215, 250), max(0.0, min(1.0, (y - 10) / 80)))
    horizon = 90 + 5 * math.sin(x / 17.0)
    if y > horizon:
        c = (96, 168, 82) if (int((x + 2 * y) / 14) % 2) else (120, 186, 92)  # fields
        if y > horizon + 16:
            c = mix(c, (70, 130, 60), 0.5)
    # The track, dashed.
    best, along = 99.0, 0.0
    for i, (p, q) in enumerate(zip(TRACK, TRACK[1:])):
        d, t = segment_distance(x, y, p, q)
        if d < best:
            best, along = d, TRACK_LENGTHS[i] + t * (TRACK_LENGTHS[i + 1] - TRACK_LENGTHS[i])
    if best < 2.2 and int(along / 7) % 2 == 0:
        c = (215, 40, 35)
    # The trike: mast, pod, wheels, then the wing over them.
    if segment_distance(x, y, *MAST)[0] < 1.6:
        c = (50, 50, 60)
    px, py, ax, ay = POD
    if ((x - px) / ax) ** 2 + ((y - py) / ay) ** 2 <= 1:
        c = (245, 245, 250) if y < py + 2 else (200, 205, 215)
    for wx, wy in WHEELS:
        if math.hypot(x - wx, y - wy) < 3.2:
            c = (35, 35, 40)
    if segment_distance(x, y, (55, 81), (73, 81))[0] < 1.0:
        c = (35, 35, 40)
    if inside_polygon(x, y, WING):
        c = mix((250, 200, 60), (235, 120, 30), max(0.0, min(1.0, (y - 30) / 30)))
    for edge in WING_EDGE:
        if segment_distance(x, y, *edge)[0] < 1.3:
            c = (250, 250, 245)
    return c, 1.0


def render():
    rows = []
    step = 1.0 / SAMPLES
    for py in range(SIZE):
        row = bytearray([0])  # filter: none
        for px in range(SIZE):
            total = [0.0, 0.0, 0.0]
            cover = 0.0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c, a = colour(px + (sx + 0.5) * step, py + (sy + 0.5) * step)
                    cover += a
                    for i in range(3):
                        total[i] += c[i] * a
            n = SAMPLES * SAMPLES
            if cover:
                row += bytes(int(round(total[i] / cover)) for i in range(3))
            else:
                row += bytes(3)
            row.append(int(round(255 * cover / n)))
        rows.append(bytes(row))
    return b"".join(rows)


def png(width, height, raw):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "src", "ui", "icons", "zephyrant.png")
    os.makedirs(os.path.dirname(out), exist_ok=True)
    with open(out, "wb") as f:
        f.write(png(SIZE, SIZE, render()))
    print(out)


if __name__ == "__main__":
    main()

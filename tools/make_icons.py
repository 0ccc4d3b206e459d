#!/usr/bin/env python3
"""Makes the program's icon from a picture that vantorel-render draws.

    tools/make_icons.py build/vantorel-render data/icons

Renders the whole set with square pixels, cuts a square around it, shrinks it
(averaging the pixels each icon pixel covers) to 16, 24, 32, 48, 64, 128 and
256 pixels and writes each as N.png with a round, smoothly edged mask. Only
the standard library is used, so the icons can be remade anywhere.
"""

import struct
import subprocess
import sys
import tempfile
import zlib
from pathlib import Path

SIZES = (16, 24, 32, 48, 64, 128, 256)
# 600 x 500 canvas, 0.0052 plane units per pixel both ways; the set lies in
# the middle 500 x 500 square.
VIEW = ("-2.33", "-1.3", "0.79", "1.3")
SQUARE_LEFT, SQUARE_SIDE = 50, 500
SUPERSAMPLE = 4  # mask edge: sub-samples per pixel and axis


def render(tool):
    with tempfile.TemporaryDirectory() as folder:
        out = Path(folder) / "icon.bmp"
        subprocess.run([tool, "--view", *VIEW, "--iterations", "16", "--step", "1",
                        "--intensity", "1020", "--out", str(out)], check=True)
        return out.read_bytes()


def read_bmp(data):
    """Rows of (r, g, b) from a 24-bit bottom-up BMP."""
    offset, = struct.unpack_from("<I", data, 10)
    width, height = struct.unpack_from("<ii", data, 18)
    row_bytes = (width * 3 + 3) & ~3
    rows = []
    for y in range(height):
        start = offset + (height - 1 - y) * row_bytes
        rows.append([(data[start + 3 * x + 2], data[start + 3 * x + 1], data[start + 3 * x])
                     for x in range(width)])
    return rows


def shrink(square, size):
    """Each icon pixel is the mean of the source pixels it covers (in part, weighted)."""
    side = len(square)
    scale = side / size
    out = []
    for iy in range(size):
        y0, y1 = iy * scale, (iy + 1) * scale
        row = []
        for ix in range(size):
            x0, x1 = ix * scale, (ix + 1) * scale
            total = [0.0, 0.0, 0.0]
            weight = 0.0
            for sy in range(int(y0), min(side, int(y1) + 1)):
                wy = min(y1, sy + 1) - max(y0, sy)
                if wy <= 0:
                    continue
                for sx in range(int(x0), min(side, int(x1) + 1)):
                    wx = min(x1, sx + 1) - max(x0, sx)
                    if wx <= 0:
                        continue
                    p = square[sy][sx]
                    for c in range(3):
                        total[c] += p[c] * wx * wy
                    weight += wx * wy
            row.append(tuple(round(t / weight) for t in total))
        out.append(row)
    return out


def disc_alpha(size, x, y):
    """Share of the pixel inside the disc that fills the icon, as 0..255."""
    inside = 0
    r = size / 2
    for sy in range(SUPERSAMPLE):
        for sx in range(SUPERSAMPLE):
            px = x + (sx + 0.5) / SUPERSAMPLE - r
            py = y + (sy + 0.5) / SUPERSAMPLE - r
            inside += px * px + py * py <= r * r
    return round(255 * inside / SUPERSAMPLE ** 2)


def png(rows, size):
    raw = b"".join(b"\0" + bytes(v for x, (r, g, b) in enumerate(row)
                                 for v in (r, g, b, disc_alpha(size, x, y)))
                   for y, row in enumerate(rows))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_icons.py path/to/vantorel-render OUTPUT_FOLDER")
    picture = read_bmp(render(sys.argv[1]))
    square = [row[SQUARE_LEFT:SQUARE_LEFT + SQUARE_SIDE] for row in picture[:SQUARE_SIDE]]
    out = Path(sys.argv[2])
    out.mkdir(parents=True, exist_ok=True)
    for size in SIZES:
        (out / f"{size}.png").write_bytes(png(shrink(square, size), size))
        print(f"wrote {out / f'{size}.png'}")


if __name__ == "__main__":
    main()

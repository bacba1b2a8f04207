"""Draws the program's icon and writes it as a Windows .ico file.

    python3 make_icon.py OUTPUT.ico

The picture is drawn here from geometry alone (no image is read), so every
run writes the same bytes: a rounded teal square with a white cross and, from
32 pixels up, a drop of fluid at the cross's centre. Seven sizes, each with
alpha: up to 128 pixels a 32-bit bitmap with an AND mask, the form every
Windows version reads; the 256-pixel image as PNG, as Windows stores large
icons, since as a bitmap it alone would weigh 270 KB in the exe.
"""

import struct
import sys
import zlib

SIZES = (16, 24, 32, 48, 64, 128, 256)
SAMPLES = 4  # per axis: 16 samples per pixel smooth the edges

TOP = (0, 132, 176)  # accent stripe colour of the window's header
BOTTOM = (0, 100, 138)  # pressed primary button colour
WHITE = (255, 255, 255)
DROP = (0, 122, 168)


def in_rounded_square(x, y):
    """The background plate: a square with corners rounded by 0.2."""
    low, high, radius = 0.03, 0.97, 0.2
    if not (low <= x <= high and low <= y <= high):
        return False
    cx = min(max(x, low + radius), high - radius)
    cy = min(max(y, low + radius), high - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def in_cross(x, y):
    """A plus sign with arms 0.26 wide reaching 0.3 from the centre."""
    half_width, reach = 0.13, 0.3
    dx, dy = abs(x - 0.5), abs(y - 0.5)
    return (dx <= half_width and dy <= reach) or (dy <= half_width and dx <= reach)


def in_drop(x, y):
    """A drop: a circle with a point straight above it."""
    cx, cy, radius, tip = 0.5, 0.53, 0.075, 0.4
    if (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius:
        return True
    if tip <= y <= cy:
        # The sides run from the tip to the circle's widest points.
        half = radius * (y - tip) / (cy - tip)
        return abs(x - cx) <= half
    return False


def sample_colour(x, y, with_drop):
    """Colour and alpha (0 or 1) of one sample point of the picture."""
    if not in_rounded_square(x, y):
        return (0, 0, 0), 0
    if with_drop and in_drop(x, y):
        return DROP, 1
    if in_cross(x, y):
        return WHITE, 1
    mix = y
    plate = tuple(round(t + (b - t) * mix) for t, b in zip(TOP, BOTTOM))
    return plate, 1


def render(size):
    """Rows of (r, g, b, a) tuples, top row first."""
    with_drop = size >= 32
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            red = green = blue = alpha = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) / size
                    y = (py + (sy + 0.5) / SAMPLES) / size
                    (r, g, b), a = sample_colour(x, y, with_drop)
                    red += r * a
                    green += g * a
                    blue += b * a
                    alpha += a
            if alpha:
                pixel = (round(red / alpha), round(green / alpha), round(blue / alpha),
                         round(255 * alpha / SAMPLES ** 2))
            else:
                pixel = (0, 0, 0, 0)
            row.append(pixel)
        rows.append(row)
    return rows


def bitmap_image(size, rows):
    """One icon image: BITMAPINFOHEADER, BGRA rows bottom-up, AND mask."""
    mask_stride = ((size + 31) // 32) * 4
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         size * size * 4 + mask_stride * size, 0, 0, 0, 0)
    pixels = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for px, (r, g, b, a) in enumerate(row):
            pixels += bytes((b, g, r, a))
            if a == 0:
                bits[px // 8] |= 0x80 >> (px % 8)
        mask += bits
    return header + pixels + mask


def png_image(size, rows):
    """One icon image as PNG: 8-bit RGBA, every row unfiltered."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    raw = bytearray()
    for row in rows:
        raw.append(0)  # filter type: none
        for pixel in row:
            raw += bytes(pixel)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def icon_file():
    images = [png_image(size, render(size)) if size == 256 else bitmap_image(size, render(size))
              for size in SIZES]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(SIZES, images):
        side = size % 256  # 256 is written as 0
        directory += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return directory + b"".join(images)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py OUTPUT.ico")
    with open(sys.argv[1], "wb") as out:
        out.write(icon_file())


if __name__ == "__main__":
    main()

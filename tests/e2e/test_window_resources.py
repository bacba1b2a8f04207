"""The exe's resources: the icon group drawn by resources/make_icon.py (seven
sizes, each image inside the exe), the version resource 1.0.0.0 and the
manifest that makes the exe an ordinary per-user program; and the window
class showing that icon."""

import os
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [HERE, os.path.join(HERE, "..", "driver")]

import winetest  # noqa: E402
from window_driver import Window  # noqa: E402

MAKE_ICON = os.path.join(HERE, "..", "..", "resources", "make_icon.py")


def draw_icon(path):
    subprocess.run([sys.executable, MAKE_ICON, path], check=True, timeout=300)
    with open(path, "rb") as f:
        return f.read()


def icon_images(data):
    """(width, height, bit count, image bytes) of each image of an .ico file."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    images = []
    for i in range(count):
        width, height, _, _, _, bits, size, offset = struct.unpack_from("<BBBBHHII", data,
                                                                        6 + 16 * i)
        images.append((width or 256, height or 256, bits, data[offset:offset + size]))
    return (reserved, kind), images


def main():
    checks = winetest.Checks()
    with tempfile.TemporaryDirectory() as scratch:
        first = draw_icon(os.path.join(scratch, "a.ico"))
        second = draw_icon(os.path.join(scratch, "b.ico"))
    checks.true("the icon is drawn the same every time", first == second)
    header, images = icon_images(first)
    checks.equal("icon file header", header, (0, 1))
    checks.equal("icon sizes", [(w, h) for w, h, _, _ in images],
                 [(16, 16), (24, 24), (32, 32), (48, 48), (64, 64), (128, 128), (256, 256)])
    checks.equal("icon images have alpha", {bits for _, _, bits, _ in images}, {32})

    with open(winetest.EXE, "rb") as f:
        exe = f.read()
    for width, _, _, image in images:
        checks.true(f"the {width}-pixel icon image is in the exe", image in exe)
    fixed_file_info = struct.pack("<IIIIII", 0xFEEF04BD, 0x00010000, 0x00010000, 0, 0x00010000,
                                  0)
    checks.true("version resource: file and product version 1.0.0.0", fixed_file_info in exe)
    for name in ("FileVersion", "ProductVersion"):
        checks.true(f"version text {name}", name.encode("utf-16-le") in exe)
    checks.true("version text 1.0.0.0", "1.0.0.0".encode("utf-16-le") in exe)
    checks.true("manifest asks for no elevation",
                b'<requestedExecutionLevel level="asInvoker" uiAccess="false"/>' in exe)
    checks.true("manifest names supported Windows versions", b"<supportedOS Id=" in exe)

    window = Window()
    try:
        checks.equal("the window shows the 32-pixel icon", window_icon(32),
                     argb_pixels(images[2][3], 32))
        checks.equal("closes with 0", window.close(), 0)
    finally:
        window.kill()
    checks.finish()


def argb_pixels(image, size):
    """The pixels of an icon image (BITMAPINFOHEADER, BGRA rows bottom-up)
    as 0xAARRGGBB numbers, top row first."""
    rows = []
    for row in range(size):
        start = 40 + row * size * 4
        rows.append([struct.unpack_from("<I", image, start + 4 * x)[0] for x in range(size)])
    return [pixel for row in reversed(rows) for pixel in row]


def window_icon(size):
    """The icon of that size that Wine hands X for the main window (taken from
    its window class), as 0xAARRGGBB numbers, top row first."""
    with open(os.path.join(winetest.WINE_DIR, "display")) as f:
        env = {**os.environ, "DISPLAY": f.read().strip()}
    found = subprocess.run(["xdotool", "search", "--name", "^Varnel$"], capture_output=True,
                           text=True, timeout=30, env=env).stdout.split()
    if not found:
        return None
    done = subprocess.run(["xprop", "-id", found[0], "-notype", "-f", "_NET_WM_ICON", "32c",
                           "=$0+\n", "_NET_WM_ICON"], capture_output=True, text=True,
                          timeout=30, env=env)
    numbers = [int(n) for n in done.stdout.split("=", 1)[1].split(",")]
    # The property holds width, height and the pixels of each size in turn.
    while numbers:
        width, height = numbers[0], numbers[1]
        pixels = numbers[2:2 + width * height]
        if width == size and height == size:
            return pixels
        numbers = numbers[2 + width * height:]
    return None


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Packs square PNG images into one Windows .ico, each stored as PNG (which
Windows Vista and later read), so that the program, its Start-menu entry and
its installer show the console's own icon. Standard library only.

Usage: png-to-ico.py OUTPUT.ico INPUT.png...
"""
import struct
import sys

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def png_size(data, name):
    # The IHDR chunk comes first and holds width and height.
    if data[:8] != PNG_SIGNATURE or data[12:16] != b"IHDR":
        sys.exit("png-to-ico: %s is not a PNG image" % name)
    width, height = struct.unpack(">II", data[16:24])
    if width != height or not 1 <= width <= 256:
        sys.exit("png-to-ico: %s is %dx%d; an icon entry is square, at most 256" % (name, width, height))
    return width


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__.strip())
    images = []
    for name in argv[2:]:
        with open(name, "rb") as f:
            data = f.read()
        images.append((png_size(data, name), data))
    images.sort(key=lambda image: image[0])

    header = struct.pack("<HHH", 0, 1, len(images))  # reserved, type 1 = icon, count
    offset = len(header) + 16 * len(images)
    entries = b""
    for size, data in images:
        # A size of 256 is written as 0; one plane, 32 bits per pixel.
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(argv[1], "wb") as f:
        f.write(header + entries + b"".join(data for _, data in images))


if __name__ == "__main__":
    main(sys.argv)

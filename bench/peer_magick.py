#!/usr/bin/env python3
"""Peer: draws the tool's picture of a save with ImageMagick's convert and writes a
24-bit BMP. The drawing goes to convert as a vector-graphics file. The system's
policy refuses drawing files and pictures this large, so convert runs in a private
mount namespace in which the benchmark's own policy file stands in for it.

convert's BMP writer refuses pictures above about 330 million pixels; for those it
writes the bottom-up rows as raw BGR after a header written here.

Usage: peer_magick.py SAVE OUTPUT.bmp
"""
import os
import struct
import subprocess
import sys
import tempfile

from peer_draw import BACKGROUND, read_picture

LARGEST_BMP_FROM_CONVERT = 300_000_000  # pixels
POLICY = os.path.join(os.path.dirname(os.path.abspath(__file__)), "magick", "policy.xml")
OWN_POLICY = f"mount --bind {POLICY} /etc/ImageMagick-6/policy.xml && exec \"$@\""


def convert(arguments, **options):
    subprocess.run(["unshare", "-m", "sh", "-c", OWN_POLICY, "sh", "convert"] + arguments,
                   check=True, **options)


def bmp_header(width, height):
    row_size = (width * 3 + 3) // 4 * 4
    image_bytes = row_size * height
    return (b"BM" + struct.pack("<IHHI", 54 + image_bytes, 0, 0, 54) +
            struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, image_bytes, 3780, 3780, 0, 0))


def main():
    save, output = sys.argv[1], sys.argv[2]
    width, height, shapes = read_picture(save)
    with tempfile.NamedTemporaryFile("w", suffix=".mvg", delete=False) as mvg:
        current = None
        for colour, (x0, y0, x1, y1) in shapes:
            if colour != current:
                mvg.write("fill rgb(%d,%d,%d)\n" % colour)
                current = colour
            mvg.write(f"rectangle {x0},{y0} {x1},{y1}\n")
    try:
        draw = ["-size", f"{width}x{height}", "xc:rgb(%d,%d,%d)" % BACKGROUND, "+antialias",
                "-stroke", "none", "-draw", f"@{mvg.name}"]
        if width * height <= LARGEST_BMP_FROM_CONVERT:
            convert(draw + ["-type", "TrueColor", f"BMP3:{output}"])
        else:
            assert width * 3 % 4 == 0, "raw rows carry no padding"
            with open(output, "wb") as out:
                out.write(bmp_header(width, height))
                out.flush()
                convert(draw + ["-flip", "-depth", "8", "BGR:-"], stdout=out)
    finally:
        os.unlink(mvg.name)


if __name__ == "__main__":
    main()

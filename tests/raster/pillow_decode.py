#!/usr/bin/env python3
"""Decodes a BMP file with Pillow and writes its size and pixels to standard output:
a line "WIDTH HEIGHT", then the raw RGB bytes, top row first."""
import sys

from PIL import Image

with Image.open(sys.argv[1]) as image:
    image.load()
    rgb = image.convert("RGB")
    sys.stdout.buffer.write(f"{rgb.width} {rgb.height}\n".encode())
    sys.stdout.buffer.write(rgb.tobytes())

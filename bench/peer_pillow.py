#!/usr/bin/env python3
"""Peer: draws the tool's picture of a save with Pillow and writes a 24-bit BMP.

Usage: peer_pillow.py SAVE OUTPUT.bmp
"""
import sys

from PIL import Image, ImageDraw

from peer_draw import BACKGROUND, read_picture

width, height, shapes = read_picture(sys.argv[1])
image = Image.new("RGB", (width, height), BACKGROUND)
draw = ImageDraw.Draw(image)
for colour, rectangle in shapes:
    draw.rectangle(rectangle, fill=colour)
image.save(sys.argv[2], format="BMP")

#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Draws pictures of the kinds that players make decks from, for trying the
card maker: scripts/sample-pictures.py DIR [COUNT]

Each picture is a coloured cloud with its number and an arrow that points up,
in turn a portrait PNG, a landscape phone JPEG stored on its side with EXIF
orientation 6, a square GIF, a wide BMP and a plain landscape JPEG, so a deck
made from them shows whether every picture came out upright and cut around
its centre. Needs ImageMagick (scripts/install-deps.sh imagemagick)."""

import pathlib
import struct
import subprocess
import sys

# (suffix, width, height, stored on its side with EXIF orientation 6)
KINDS = [
    ("png", 600, 900, False),
    ("jpg", 1200, 800, True),
    ("gif", 500, 500, False),
    ("bmp", 1000, 400, False),
    ("jpg", 960, 720, False),
]
COLOURS = ["gold", "tomato", "skyblue", "navy", "palegreen", "darkgreen", "plum",
           "purple", "orange", "sienna", "pink", "crimson", "turquoise", "teal",
           "khaki", "olive"]


def exif_orientation_6():
    """An APP1 segment holding nothing but the EXIF orientation 6 (the stored
    picture is to be turned a quarter clockwise to stand upright)."""
    tiff = b"MM\x00\x2a" + struct.pack(">I", 8)
    tiff += struct.pack(">H", 1) + struct.pack(">HHIHH", 0x0112, 3, 1, 6, 0)
    tiff += struct.pack(">I", 0)
    body = b"Exif\x00\x00" + tiff
    return b"\xff\xe1" + struct.pack(">H", len(body) + 2) + body


def draw(path, number, width, height, on_side):
    low = COLOURS[number % len(COLOURS)]
    high = COLOURS[(number * 7 + 3) % len(COLOURS)]
    size = min(width, height)
    command = [
        "convert", "-size", f"{width}x{height}", "-seed", str(number),
        f"plasma:{low}-{high}", "-blur", "0x8", "-depth", "8",
        "-gravity", "center", "-font", "IPAGothic", "-fill", "white",
        "-stroke", "black", "-strokewidth", str(max(2, size // 100)),
        "-pointsize", str(size // 2), "-annotate", "+0+0", str(number),
        "-pointsize", str(size // 5), "-annotate", f"+0-{size * 3 // 10}", "▲",
    ]
    if on_side:
        command += ["-rotate", "-90"]
    command.append(str(path))
    subprocess.run(command, check=True)
    if on_side:
        data = path.read_bytes()
        path.write_bytes(data[:2] + exif_orientation_6() + data[2:])


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    folder = pathlib.Path(sys.argv[1])
    count = int(sys.argv[2]) if len(sys.argv) == 3 else 30
    folder.mkdir(parents=True, exist_ok=True)
    for number in range(1, count + 1):
        suffix, width, height, on_side = KINDS[(number - 1) % len(KINDS)]
        draw(folder / f"picture-{number:02}.{suffix}", number, width, height, on_side)
    print(f"{count} pictures in {folder}")


if __name__ == "__main__":
    main()

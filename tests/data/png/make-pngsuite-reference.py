#!/usr/bin/python3
"""Records what each good PngSuite file must read as, decoded by ImageMagick.

Usage: tests/data/png/make-pngsuite-reference.py FOLDER > tests/data/png/pngsuite-reference.tsv

One line per file whose name does not start with "x" (those are the damaged
ones): name, bits per pixel and palette entries of the bitmap it must become,
and a 64-bit FNV-1a hash of its pixels as red, green, blue bytes, rows top
down, each pixel laid over white by its alpha as
(c * a + 255 * (255 - a) + 127) // 255.

ImageMagick gives every sample at 16 bits (an 8-bit v as v * 257), without
gamma once the picture is labelled sRGB (a gAMA of 1.0 would otherwise make
it convert from linear light); the script rounds them to 8 bits as
round(v * 255 / 65535), which is what the reader must do. The bits and palette entries follow
from the header: palette pictures keep their depth (2 bits become 4) and
their PLTE entries; grey without tRNS becomes 8 bits with 256 grey entries;
everything else 24 bits.
"""
import os
import struct
import subprocess
import sys


def chunks(data):
    pos = 8
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        yield kind, data[pos + 8:pos + 8 + length]
        pos += 12 + length


def bitmap_layout(data):
    found = dict(chunks(data))
    width, height, depth, colour = struct.unpack(">IIBB", found[b"IHDR"][:10])
    if colour == 3:
        return (4 if depth == 2 else depth), min(len(found[b"PLTE"]) // 3, 1 << depth)
    if colour == 0 and b"tRNS" not in found:
        return 8, 256
    return 24, 0


def fnv1a64(data):
    h = 0xCBF29CE484222325
    for b in data:
        h = ((h ^ b) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return h


def main():
    folder = sys.argv[1]
    print("# name\tbits\tpalette\tFNV-1a 64 of the RGB over white (" + os.path.basename(__file__) + ")")
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".png") or name.startswith("x"):
            continue
        path = os.path.join(folder, name)
        wide = subprocess.run(["convert", "PNG:" + path, "-set", "colorspace", "sRGB", "-endian", "MSB",
                               "-depth", "16", "RGBA:-"], check=True, capture_output=True).stdout
        rgba = [(wide[i] << 8 | wide[i + 1]) for i in range(0, len(wide), 2)]
        rgba = [(v * 255 + 32767) // 65535 for v in rgba]
        rgb = bytearray()
        for i in range(0, len(rgba), 4):
            a = rgba[i + 3]
            rgb += bytes((c * a + 255 * (255 - a) + 127) // 255 for c in rgba[i:i + 3])
        bits, entries = bitmap_layout(open(path, "rb").read())
        print(f"{name}\t{bits}\t{entries}\t{fnv1a64(rgb):016x}")


main()

#!/usr/bin/python3
"""Makes the GIF files of tests/data/fuzz/gif/ and prints the table of
GifReadTest.cpp: for each file, and for the GIFs of the shared corpus, the
first frame as Pillow decodes it, composed onto a white canvas of the logical
screen's size, hashed (64-bit FNV-1a over red, green, blue of every pixel,
rows top to bottom). Run once from the repository's root; needs ImageMagick
and Pillow (/usr/bin/python3 with python3-pil).

Pillow paints the area around a first frame with the background colour; the
reference here takes only the frame from Pillow and leaves the rest white,
or the one colour the reader's rules give when no entry can be white.
"""
import os
import subprocess
import sys

from PIL import Image

OUT = "tests/data/fuzz/gif"
CORPUS = "../shared/corpus/gif/image-gif"


def convert(name, *args):
    subprocess.run(["convert", *args, os.path.join(OUT, name)], check=True)


def blocks(data):
    """Offsets of the image descriptors of a GIF file."""
    p = 13 + (3 << ((data[10] & 7) + 1) if data[10] & 0x80 else 0)
    found = []
    while p < len(data) and data[p] != 0x3B:
        if data[p] == 0x21:
            p += 2
        else:
            found.append(p)
            flags = data[p + 9]
            p += 10 + (3 << ((flags & 7) + 1) if flags & 0x80 else 0) + 1
        while data[p]:
            p += data[p] + 1
        p += 1
    return found


def le16(v):
    return bytes([v & 0xFF, v >> 8])


def pillow_file(name, size, palette, pixels, screen=None, at=(0, 0), **save):
    """A file written by Pillow, its screen and first frame's place then set
    by hand (Pillow writes neither)."""
    image = Image.new("P", size)
    image.putpalette(palette)
    image.putdata(pixels)
    path = os.path.join(OUT, name)
    image.save(path, optimize=False, **save)
    data = bytearray(open(path, "rb").read())
    if screen:
        data[6:10] = le16(screen[0]) + le16(screen[1])
    d = blocks(data)[0]
    data[d + 1 : d + 5] = le16(at[0]) + le16(at[1])
    open(path, "wb").write(bytes(data))
    return data


def make_files():
    os.makedirs(OUT, exist_ok=True)
    # ImageMagick: an interlaced 128-entry picture; a circle on transparency;
    # three frames, the first smaller than the screen and away from its
    # corner, with a two-entry table and no white; a 1-bit checkerboard.
    convert("interlaced.gif", "-size", "37x29", "xc:", "-sparse-color", "barycentric",
            "0,0 red 36,0 lime 0,28 blue 36,28 yellow", "-colors", "200", "-interlace", "GIF")
    convert("transparent.gif", "-size", "16x12", "xc:none", "-fill", "#3080c0", "-draw", "circle 8,6 8,1")
    convert("frames.gif", "-page", "24x18+6+4", "-size", "10x8", "xc:orange", "-page", "+0+0", "-size",
            "24x18", "xc:navy", "-page", "+2+2", "-size", "4x4", "xc:lime")
    convert("mono.gif", "-size", "13x7", "pattern:checkerboard", "-monochrome")

    # A frame reaching past the screen on the right and at the bottom, with a
    # transparent entry for the canvas.
    pillow_file("clipped.gif", (6, 5), [200, 30, 30, 30, 200, 30, 30, 30, 200, 90, 90, 90],
                [(x + y) % 4 for y in range(5) for x in range(6)], screen=(5, 4), at=(2, 1), transparency=3)
    # 256 entries, none white, every one shown: the canvas takes the entry
    # nearest white. Then the same with entry 7 nowhere in the frame.
    ramp = [v for i in range(256) for v in (i, 255 - i, 100)]
    pillow_file("full-nearest.gif", (16, 16), ramp, list(range(256)), screen=(17, 16))
    pillow_file("full-unused.gif", (16, 16), ramp, [8 if i == 7 else i for i in range(256)], screen=(17, 16))
    # A two-entry table (the second white) with indices up to 31 in the data.
    data = pillow_file("beyond-table.gif", (8, 4), [10, 20, 30, 255, 255, 255] + [0] * 762, list(range(32)),
                       screen=(9, 4), interlace=False)
    flags = data[10]
    data[10] = (flags & 0xF8) | 0  # a 2-entry global table instead of 256
    del data[13 + 6 : 13 + 768]
    open(os.path.join(OUT, "beyond-table.gif"), "wb").write(bytes(data))

    # Damage: the interlaced file cut in the middle of its data, and the
    # transparent one without its block terminator and trailer (still whole).
    interlaced = open(os.path.join(OUT, "interlaced.gif"), "rb").read()
    open(os.path.join(OUT, "truncated.gif"), "wb").write(interlaced[: len(interlaced) // 2])
    transparent = open(os.path.join(OUT, "transparent.gif"), "rb").read()
    open(os.path.join(OUT, "no-terminator.gif"), "wb").write(transparent[:-2])


def fnv(rgb):
    h = 0xCBF29CE484222325
    for byte in rgb:
        h = ((h ^ byte) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return h


def reference(path, canvas=(255, 255, 255)):
    data = open(path, "rb").read()
    width, height = data[6] | data[7] << 8, data[8] | data[9] << 8
    image = Image.open(path)
    image.load()
    box = image.tile[0][1] if image.tile else image.dispose_extent
    frame = image.convert("RGBA").crop(box)
    flat = Image.alpha_composite(Image.new("RGBA", frame.size, (255, 255, 255, 255)), frame)
    out = Image.new("RGB", (width, height), canvas)
    out.paste(flat.convert("RGB"), box[:2])
    return fnv(out.tobytes())


def nearest_white(path):
    image = Image.open(path)
    palette = image.getpalette()
    distances = [(255 - palette[3 * i]) ** 2 + (255 - palette[3 * i + 1]) ** 2 + (255 - palette[3 * i + 2]) ** 2
                 for i in range(len(palette) // 3)]
    i = distances.index(min(distances))
    return tuple(palette[3 * i : 3 * i + 3])


# Decoders differ on indices beyond the colour table (Pillow shows a grey
# ramp, ImageMagick the first entry); GifReadTest.cpp checks that file's
# pixels itself.
UNREFERENCED = {"beyond-table.gif"}


def main():
    make_files()
    canvases = {"full-nearest.gif": nearest_white(os.path.join(OUT, "full-nearest.gif"))}
    for folder in (OUT, CORPUS):
        for name in sorted(os.listdir(folder)):
            if not name.endswith(".gif") or name in UNREFERENCED:
                continue
            path = os.path.join(folder, name)
            try:
                h = reference(path, canvases.get(name, (255, 255, 255)))
                data = open(path, "rb").read()
                width, height = data[6] | data[7] << 8, data[8] | data[9] << 8
                frames = Image.open(path).n_frames
                print(f'    {{"{name}", {width}, {height}, {frames}, 0x{h:016x}ull}},')
            except Exception as error:  # refused by Pillow: no reference
                print(f"    // {name}: {error}", file=sys.stderr)


if __name__ == "__main__":
    main()

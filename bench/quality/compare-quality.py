#!/usr/bin/python3
"""How good the 256-colour reductions look, and what they cost.

Reduces each picture with every pictor-cli method and with pngquant,
ImageMagick and Pillow, and prints per picture a Markdown table of:

  PSNR          against the original, over red, green and blue;
  blurred PSNR  the same after a Gaussian blur of sigma 1.2 on both pictures,
                which is what the eye averages a dithered picture to;
  time          processor time (user + system) of the whole process, file in
                to file out, median of RUNS runs; every tool on one thread
                (pictor-cli --threads 1, OMP_NUM_THREADS=1 and
                MAGICK_THREAD_LIMIT=1 for the others);
  / pngquant    that time over pngquant --nofs --speed 3's, measured in the
                same run, so the ratio holds on a busy machine too.

Then the targets of the quality reductions on each picture: quality at least
pngquant --nofs's PSNR, quality-diffusion at least the better blurred PSNR of
pngquant's and ImageMagick's Floyd-Steinberg, each at most a fifth of the
time of pngquant's of its kind (quality: --nofs; quality-diffusion:
dithering, which is what it is used instead of).

  bench/quality/compare-quality.py [--runs N] [--small] [--wallpapers] [--only] [PICTURE...]

Pictures: the benchmark photographs of bench/make-pictures.sh (24 and 2
megapixels; --small: only the 2-megapixel one) and any files named (anything
Pillow reads); --wallpapers adds the photographs among Debian's
plasma-workspace-wallpapers at 2560 x 1600; --only leaves the benchmark
photographs out. pictor-cli is $PICTOR_CLI, or build/cli/pictor-cli under the
repository. Needs pngquant, imagemagick, python3-pil, python3-numpy and
python3-scipy (Debian packages), and is run with Debian's /usr/bin/python3.
"""

import argparse
import os
import statistics
import subprocess
import sys
import tempfile

import numpy as np
from PIL import Image
from scipy.ndimage import gaussian_filter

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
PICTOR = os.environ.get("PICTOR_CLI", os.path.join(ROOT, "build", "cli", "pictor-cli"))
PICTURES = os.environ.get(
    "PICTOR_BENCH_PICTURES",
    os.path.join(os.environ.get("XDG_CACHE_HOME", os.path.expanduser("~/.cache")), "pictor-bench"))
WALLPAPERS = "/usr/share/wallpapers"
# The photographs among the wallpapers (the others are drawings).
PHOTO_WALLPAPERS = ["Autumn", "BytheWater", "ColdRipple", "ColorfulCups", "DarkestHour", "EveningGlow",
                    "FallenLeaf", "Grey", "Kite", "OneStandsOut", "Path", "summer_1am"]
PICTOR_METHODS = ["octree", "mediancut", "mediancut-variance", "mediancut-diffusion",
                  "mediancut-variance-diffusion", "fixed-diffusion", "quality", "quality-diffusion"]
ONE_THREAD = dict(os.environ, OMP_NUM_THREADS="1", MAGICK_THREAD_LIMIT="1")
# Pillow's quantize makes its palette (median cut) without dithering; its
# Floyd-Steinberg maps the picture onto that palette.
PILLOW = ("import sys\nfrom PIL import Image\n"
          "picture = Image.open(sys.argv[1])\n"
          "reduced = picture.quantize(256, dither=Image.Dither.NONE)\n"
          "if sys.argv[3] == 'fs': reduced = picture.quantize(palette=reduced, dither=Image.Dither.FLOYDSTEINBERG)\n"
          "reduced.save(sys.argv[2])\n")
PNGQUANT = "pngquant --nofs --speed 3"


def methods(bmp, png, out):
    """(label, command, output file) of every method for one picture."""
    rows = []
    for m in PICTOR_METHODS:
        target = os.path.join(out, "pictor-%s.bmp" % m)
        rows.append(("pictor " + m, [PICTOR, "--threads", "1", "--quiet", bmp, "--reduce", m, "-o", target],
                     target))
    for label, extra in ((PNGQUANT, ["--nofs"]), ("pngquant --speed 3 (dithered)", [])):
        target = os.path.join(out, "pngquant%s.png" % ("-nofs" if extra else "-fs"))
        rows.append((label, ["pngquant"] + extra + ["--speed", "3", "--force", "--output", target, png], target))
    for label, extra, name in (("ImageMagick -colors 256 +dither", ["+dither"], "none"),
                               ("ImageMagick -colors 256 Floyd-Steinberg", ["-dither", "FloydSteinberg"], "fs")):
        target = os.path.join(out, "magick-%s.bmp" % name)
        rows.append((label, ["convert", bmp] + extra + ["-colors", "256", "BMP3:" + target], target))
    for label, dither in (("Pillow quantize(256)", "none"), ("Pillow quantize(256) Floyd-Steinberg", "fs")):
        target = os.path.join(out, "pillow-%s.png" % dither)
        rows.append((label, ["/usr/bin/python3", "-c", PILLOW, bmp, target, dither], target))
    return rows


def processor_time(command):
    """User + system seconds of one run of command."""
    process = subprocess.Popen(command, env=ONE_THREAD, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode != 0:
        sys.exit("compare-quality: %s failed (%d)" % (" ".join(command), process.returncode))
    return usage.ru_utime + usage.ru_stime


def rgb(path):
    return np.asarray(Image.open(path).convert("RGB"), dtype=np.float32)


def blurred(picture):
    return np.stack([gaussian_filter(picture[..., c], 1.2) for c in range(3)], axis=-1)


def psnr(a, b):
    mse = np.mean(np.square(a - b), dtype=np.float64)
    return float("inf") if mse == 0 else 10 * np.log10(255.0 ** 2 / mse)


def compare(name, source, runs):
    with tempfile.TemporaryDirectory() as out:
        # Every tool reads a 24-bit file of its own format, made untimed.
        bmp, png = os.path.join(out, "in.bmp"), os.path.join(out, "in.png")
        picture = Image.open(source).convert("RGB")
        picture.save(bmp)
        picture.save(png, compress_level=1)
        width, height = picture.size
        del picture
        rows = methods(bmp, png, out)
        times = {label: [] for label, _, _ in rows}
        # Runs take turns, so that every tool meets the same load.
        for _ in range(runs):
            for label, command, _ in rows:
                times[label].append(processor_time(command))
        original = rgb(bmp)
        original_blurred = blurred(original)
        reference = statistics.median(times[PNGQUANT])
        results = {}
        print("\n### %s (%d x %d)\n" % (name, width, height))
        print("| method | PSNR | blurred PSNR | time | / pngquant |")
        print("|---|---|---|---|---|")
        for label, _, target in rows:
            reduced = rgb(target)
            results[label] = (psnr(original, reduced), psnr(original_blurred, blurred(reduced)),
                              statistics.median(times[label]))
            del reduced
            p, b, t = results[label]
            print("| %s | %.2f dB | %.2f dB | %.3f s | %.3f |" % (label, p, b, t, t / reference))
        sys.stdout.flush()
        return results


def targets(name, r):
    quality, diffusion = r["pictor quality"], r["pictor quality-diffusion"]
    peer_blurred = max(r["pngquant --speed 3 (dithered)"][1], r["ImageMagick -colors 256 Floyd-Steinberg"][1])
    # Each reduction against pngquant's of its kind: without and with
    # dithering.
    pngquant_time, dithered_time = r[PNGQUANT][2], r["pngquant --speed 3 (dithered)"][2]
    met = lambda ok: "yes" if ok else "NO"
    print("| %s | %.2f / %.2f dB: %s | %.2f / %.2f dB: %s | %.3f / %.3f s: %s | %.3f / %.3f s: %s |" % (
        name, quality[0], r[PNGQUANT][0], met(quality[0] >= r[PNGQUANT][0]),
        diffusion[1], peer_blurred, met(diffusion[1] >= peer_blurred),
        quality[2], pngquant_time / 5, met(quality[2] <= pngquant_time / 5),
        diffusion[2], dithered_time / 5, met(diffusion[2] <= dithered_time / 5)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--runs", type=int, default=int(os.environ.get("RUNS", "3")))
    parser.add_argument("--small", action="store_true", help="only the 2-megapixel benchmark photograph")
    parser.add_argument("--wallpapers", action="store_true", help="add the photographs among the wallpapers")
    parser.add_argument("--only", action="store_true", help="leave the benchmark photographs out")
    parser.add_argument("pictures", nargs="*")
    args = parser.parse_args()
    if not os.access(PICTOR, os.X_OK):
        sys.exit("compare-quality: %s not found (build pictor-cli or set PICTOR_CLI)" % PICTOR)

    pictures = []
    if not args.only:
        subprocess.run(["sh", os.path.join(ROOT, "bench", "make-pictures.sh")], check=True,
                       stdout=sys.stderr)
        sizes = ["2mp"] if args.small else ["2mp", "24mp"]
        pictures += [("photo-%s" % s, os.path.join(PICTURES, "photo-%s.bmp" % s)) for s in sizes]
    if args.wallpapers:
        for p in PHOTO_WALLPAPERS:
            path = os.path.join(WALLPAPERS, p, "contents", "images", "2560x1600.jpg")
            if os.path.exists(path):
                pictures.append((p, path))
    # Named by their path: wallpapers share file names.
    pictures += [(p, p) for p in args.pictures]

    print("Processor time, median of %d runs, each tool on one thread." % args.runs)
    results = [(name, compare(name, path, args.runs)) for name, path in pictures]
    print("\n### Targets\n")
    print("| picture | PSNR: quality / pngquant --nofs | blurred PSNR: quality-diffusion / best peer "
          "Floyd-Steinberg | time: quality / a fifth of pngquant --nofs's | time: quality-diffusion / a fifth "
          "of dithering pngquant's |")
    print("|---|---|---|---|---|")
    for name, r in results:
        targets(name, r)


if __name__ == "__main__":
    main()

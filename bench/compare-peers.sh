#!/bin/sh
# Times whole processes, BMP file to BMP file, for pictor-cli and the tools
# people would otherwise use: ImageMagick (convert), Pillow (python3-pil) and
# libvips (vips). Each operation runs RUNS times per tool (default 3) and the
# medians of the processor time (user + system) and of the wall-clock time are
# reported, with a null run (read and write only) per tool so that the file
# handling can be told apart from the operation. Prints a Markdown table:
# operation, each tool's medians in milliseconds, and Pictor's processor time
# divided by the fastest peer's (below 1: Pictor leads).
#
#   bench/compare-peers.sh [--small] [--threads N] [OPERATION...]
#
# --small uses the 2-megapixel picture instead of the 24-megapixel one.
# --threads N gives every tool N threads (default 1): pictor-cli splits each
# step's rows over them (--threads), ImageMagick and libvips run their own.
# With more than one the ratio compares wall-clock times, since processor
# time adds up the threads. OPERATIONs pick rows (default: all).
# pictor-cli is $PICTOR_CLI, or build/cli/pictor-cli under the repository.
# The pictures come from bench/make-pictures.sh; the peers are installed from
# Debian when missing (as root).
set -eu

HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(dirname "$HERE")
PICTOR=${PICTOR_CLI:-$ROOT/build/cli/pictor-cli}
RUNS=${RUNS:-3}
SIZE=24mp
THREADS=1
while [ $# -gt 0 ]; do
    case "$1" in
    --small) SIZE=2mp; shift ;;
    --threads) THREADS=$2; shift 2 ;;
    --) shift; break ;;
    -*) echo "compare-peers: unknown option $1" >&2; exit 2 ;;
    *) break ;;
    esac
done

need=""
command -v convert >/dev/null 2>&1 || need="$need imagemagick"
command -v vips >/dev/null 2>&1 || need="$need libvips-tools"
/usr/bin/python3 -c "import PIL, numpy" 2>/dev/null || need="$need python3-pil python3-numpy"
if [ -n "$need" ]; then
    if [ "$(id -u)" -eq 0 ]; then
        echo "compare-peers: installing$need" >&2
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq
        # shellcheck disable=SC2086
        apt-get install -y -qq --no-install-recommends $need >/dev/null
    else
        echo "compare-peers: missing$need (run as root to install)" >&2
        exit 1
    fi
fi
[ -x "$PICTOR" ] || { echo "compare-peers: $PICTOR not found (build pictor-cli or set PICTOR_CLI)" >&2; exit 1; }
CLI="$PICTOR --threads $THREADS"

sh "$HERE/make-pictures.sh" >&2
PICTURES=${PICTOR_BENCH_PICTURES:-${XDG_CACHE_HOME:-$HOME/.cache}/pictor-bench}
IN="$PICTURES/photo-$SIZE.bmp"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
trap 'exit 130' INT TERM

export MAGICK_THREAD_LIMIT="$THREADS" OMP_NUM_THREADS="$THREADS" VIPS_CONCURRENCY="$THREADS"

# The fixed palette of the peers' rows: 6 x 7 x 5 levels of red, green, blue.
/usr/bin/python3 - "$WORK/palette.bmp" <<'PY'
import sys
from PIL import Image
levels = lambda n: [round(i * 255 / (n - 1)) for i in range(n)]
colours = [(r, g, b) for r in levels(6) for g in levels(7) for b in levels(5)]
im = Image.new("RGB", (len(colours), 1))
im.putdata(colours)
im.save(sys.argv[1], "BMP")
PY

# Pillow: one process per run, reading and writing BMP like the others.
cat >"$WORK/pillow.py" <<'PY'
import sys
from PIL import Image
op, src, dst, palette = sys.argv[1:5]
im = Image.open(src)
im.load()
w, h = im.size
def table(f):
    return im.point([max(0, min(255, f(i))) for i in range(256)] * 3)
def fixed():
    p = Image.open(palette).quantize(256, method=Image.Quantize.MEDIANCUT)
    return im.quantize(palette=p, dither=Image.Dither.FLOYDSTEINBERG)
def median_cut_diffusion():
    p = im.quantize(256, method=Image.Quantize.MEDIANCUT)
    return im.quantize(palette=p, dither=Image.Dither.FLOYDSTEINBERG)
ops = {
    "null": lambda: im,
    "bright": lambda: table(lambda i: i * 1228 >> 10),
    "contrast": lambda: table(lambda i: 127 + int((i - 127) * 130 / 100)),
    "gamma": lambda: table(lambda i: round((i / 255) ** (1 / 1.7) * 255)),
    "enlarge": lambda: im.resize((w * 3 // 2, h * 3 // 2), Image.Resampling.BILINEAR),
    "shrink": lambda: im.resize((w // 2, h // 2), Image.Resampling.BOX),
    "turn90": lambda: im.transpose(Image.Transpose.ROTATE_270),
    "turn180": lambda: im.transpose(Image.Transpose.ROTATE_180),
    "mirror": lambda: im.transpose(Image.Transpose.FLIP_LEFT_RIGHT),
    "trim": lambda: im.crop((w // 6, h // 6, w - w // 6, h - h // 6)),
    "histogram": lambda: (im.histogram(), im)[1],
    "octree": lambda: im.quantize(256, method=Image.Quantize.FASTOCTREE, dither=Image.Dither.NONE),
    "mediancut": lambda: im.quantize(256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE),
    "mediancut-diffusion": median_cut_diffusion,
    "fixed-diffusion": fixed,
    "halftone": lambda: im.convert("P", palette=Image.Palette.WEB, dither=Image.Dither.NONE),
}
if op not in ops:
    sys.exit(3)
ops[op]().save(dst, "BMP")
PY

# libvips: the operation into a vips file, then ImageMagick's writer through
# vips for the BMP (vips has no BMP writer of its own): "$WORK/vips_op".

# The command of one tool for one operation, "" where it has none. The
# picture's size is W x H.
command_for()
{
    tool=$1 op=$2
    w6=$((W / 6)) h6=$((H / 6))
    tw=$((W - 2 * w6)) th=$((H - 2 * h6))
    case "$tool:$op" in
    pictor:null) echo "$CLI --quiet $IN -o $WORK/out.bmp" ;;
    pictor:bright) echo "$CLI --quiet $IN -o $WORK/out.bmp --bright 120" ;;
    pictor:contrast) echo "$CLI --quiet $IN -o $WORK/out.bmp --contrast 130" ;;
    pictor:gamma) echo "$CLI --quiet $IN -o $WORK/out.bmp --gamma 1.7" ;;
    pictor:enlarge) echo "$CLI --quiet $IN -o $WORK/out.bmp --enlarge $((W * 3 / 2))x$((H * 3 / 2))" ;;
    pictor:shrink) echo "$CLI --quiet $IN -o $WORK/out.bmp --shrink $((W / 2))x$((H / 2))" ;;
    pictor:turn90) echo "$CLI --quiet $IN -o $WORK/out.bmp --turn 90" ;;
    pictor:turn180) echo "$CLI --quiet $IN -o $WORK/out.bmp --turn 180" ;;
    pictor:mirror) echo "$CLI --quiet $IN -o $WORK/out.bmp --mirror" ;;
    pictor:trim) echo "$CLI --quiet $IN -o $WORK/out.bmp --trim $w6,$h6,$((W - w6 - 1)),$((H - h6 - 1))" ;;
    pictor:histogram) echo "$CLI --quiet $IN -o $WORK/out.bmp --histogram $WORK/histogram.bmp" ;;
    pictor:octree | pictor:mediancut | pictor:mediancut-diffusion | pictor:fixed-diffusion | pictor:halftone)
        echo "$CLI --quiet $IN -o $WORK/out.bmp --reduce $op" ;;

    # ImageMagick 6: "BMP3:" writes the plain 24- or 8-bit format.
    magick:null) echo "convert $IN BMP3:$WORK/out.bmp" ;;
    magick:bright) echo "convert $IN -evaluate Multiply 1.2 BMP3:$WORK/out.bmp" ;;
    magick:contrast) echo "convert $IN -function Polynomial 1.3,-0.149 BMP3:$WORK/out.bmp" ;;
    magick:gamma) echo "convert $IN -gamma 1.7 BMP3:$WORK/out.bmp" ;;
    magick:enlarge) echo "convert $IN -filter Triangle -resize 150% BMP3:$WORK/out.bmp" ;;
    magick:shrink) echo "convert $IN -scale 50% BMP3:$WORK/out.bmp" ;;
    magick:turn90) echo "convert $IN -rotate 90 BMP3:$WORK/out.bmp" ;;
    magick:turn180) echo "convert $IN -rotate 180 BMP3:$WORK/out.bmp" ;;
    magick:mirror) echo "convert $IN -flop BMP3:$WORK/out.bmp" ;;
    magick:trim) echo "convert $IN -crop ${tw}x${th}+$w6+$h6 +repage BMP3:$WORK/out.bmp" ;;
    magick:histogram) echo "convert $IN -write histogram:$WORK/histogram.miff BMP3:$WORK/out.bmp" ;;
    magick:octree) echo "convert $IN +dither -colors 256 BMP3:$WORK/out.bmp" ;;
    magick:fixed-diffusion) echo "convert $IN -dither FloydSteinberg -remap $WORK/palette.bmp BMP3:$WORK/out.bmp" ;;

    # libvips 8.14 command line, one thread unless --threads says otherwise.
    vips:null) echo "$WORK/vips_op $WORK/out.bmp copy $IN $WORK/t.v" ;;
    vips:bright) echo "$WORK/vips_op $WORK/out.bmp linear $IN $WORK/t.v 1.2 0 --uchar" ;;
    vips:contrast) echo "$WORK/vips_op $WORK/out.bmp linear --uchar $IN $WORK/t.v 1.3 -- -38.1" ;;
    vips:gamma) echo "$WORK/vips_op $WORK/out.bmp gamma $IN $WORK/t.v --exponent 1.7" ;;
    vips:enlarge) echo "$WORK/vips_op $WORK/out.bmp resize $IN $WORK/t.v 1.5 --kernel linear" ;;
    vips:shrink) echo "$WORK/vips_op $WORK/out.bmp shrink $IN $WORK/t.v 2 2" ;;
    vips:turn90) echo "$WORK/vips_op $WORK/out.bmp rot $IN $WORK/t.v d90" ;;
    vips:turn180) echo "$WORK/vips_op $WORK/out.bmp rot $IN $WORK/t.v d180" ;;
    vips:mirror) echo "$WORK/vips_op $WORK/out.bmp flip $IN $WORK/t.v horizontal" ;;
    vips:trim) echo "$WORK/vips_op $WORK/out.bmp extract_area $IN $WORK/t.v $w6 $h6 $tw $th" ;;
    vips:histogram) echo "vips hist_find $IN $WORK/t.v" ;;

    pillow:*) echo "/usr/bin/python3 $WORK/pillow.py $op $IN $WORK/out.bmp $WORK/palette.bmp" ;;
    *) echo "" ;;
    esac
}

# Runs a command RUNS times and prints the medians of its processor time
# (user + system, with every process it starts) and of its wall-clock time in
# milliseconds, and its largest resident size in kilobytes; nothing when a
# run fails.
cat >"$WORK/time.py" <<'PY'
import os, statistics, subprocess, sys, time
runs, command = int(sys.argv[1]), sys.argv[2]
cpu, wall, peak = [], [], 0
for _ in range(runs):
    start = time.monotonic()
    child = subprocess.Popen(["sh", "-c", command], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    wall.append((time.monotonic() - start) * 1000)
    if status != 0:
        sys.exit(0)
    cpu.append((usage.ru_utime + usage.ru_stime) * 1000)
    peak = max(peak, usage.ru_maxrss)
print(round(statistics.median(cpu)), round(statistics.median(wall)), peak)
PY

cat >"$WORK/vips_op" <<'SH'
#!/bin/sh
set -e
out=$1
shift
vips "$@"
vips magicksave "$(dirname "$out")/t.v" "$out" --format BMP3
SH
chmod +x "$WORK/vips_op"

W=$(/usr/bin/python3 -c "from PIL import Image; print(Image.open('$IN').size[0])")
H=$(/usr/bin/python3 -c "from PIL import Image; print(Image.open('$IN').size[1])")
OPS=${*:-"null bright contrast gamma enlarge shrink turn90 turn180 mirror trim histogram octree mediancut mediancut-diffusion fixed-diffusion halftone"}

echo "Picture: $IN ($W x $H), $RUNS runs each, $THREADS thread(s) for pictor-cli, ImageMagick and libvips"
echo "Machine: $(getconf _NPROCESSORS_ONLN) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Cells: median processor time in ms (user + system of the whole process),"
echo "then the median wall-clock time in brackets. Below 1 Pictor leads."
if [ "$THREADS" -gt 1 ]; then
    echo "The ratio compares wall-clock times: processor time adds up the threads."
else
    echo "The ratio compares processor times, which a busy machine disturbs less."
fi
echo
echo "| operation | pictor-cli | ImageMagick | Pillow | libvips | Pictor / fastest peer |"
echo "|---|---|---|---|---|---|"
for op in $OPS; do
    row="| $op"
    best=""
    pictor=""
    for tool in pictor magick pillow vips; do
        cmd=$(command_for "$tool" "$op")
        if [ -z "$cmd" ]; then
            row="$row | —"
            continue
        fi
        set -- $(/usr/bin/python3 "$WORK/time.py" "$RUNS" "$cmd")
        if [ $# -eq 0 ]; then
            row="$row | failed"
            continue
        fi
        row="$row | $1 ($2)"
        # What the ratio compares: processor time, or wall-clock time with threads.
        t=$1
        [ "$THREADS" -gt 1 ] && t=$2
        if [ "$tool" = pictor ]; then
            pictor=$t
        elif [ -z "$best" ] || [ "$t" -lt "$best" ]; then
            best=$t
        fi
    done
    if [ -n "$pictor" ] && [ -n "$best" ] && [ "$best" -gt 0 ]; then
        ratio=$(awk -v p="$pictor" -v b="$best" 'BEGIN { printf "%.2f", p / b }')
    else
        ratio="—"
    fi
    echo "$row | $ratio |"
done

# Peak memory of a reduction straight from the JPEG, against the picture's
# size at 24 bits per pixel.
JPEG="$PICTURES/photo-24mp.jpg"
if [ "$SIZE" = 24mp ] && [ -f "$JPEG" ]; then
    set -- $(/usr/bin/python3 "$WORK/time.py" 1 "$CLI --quiet $JPEG -o $WORK/out.bmp --reduce octree")
    if [ $# -eq 3 ]; then
        bytes=$((6000 * 4000 * 3))
        echo
        echo "Peak resident memory of pictor-cli --reduce octree on $JPEG: $(($3 / 1024)) MiB," \
            "$(awk -v k="$3" -v b="$bytes" 'BEGIN { printf "%.2f", k * 1024 / b }') times the 24-bit picture"
    fi
fi

#!/bin/sh
# Makes the benchmark pictures as files in a cache folder:
#
#   photo-24mp.bmp  6000 x 4000, 24 bits: four 2560 x 1600 wallpaper photographs
#                   tiled 2 x 2, enlarged with a Lanczos filter, slight noise added
#   photo-2mp.bmp   1740 x 1160, 24 bits: the same picture reduced
#   photo-24mp.jpg  the 24-megapixel picture as a JPEG of quality 90
#
# The photographs come from Debian's plasma-workspace-wallpapers and the
# work is done by ImageMagick; both are installed here when missing (as
# root), since Pictor itself needs neither. Without the wallpapers a
# synthetic picture (a plasma fractal with the same noise) stands in.
#
# The folder is $PICTOR_BENCH_PICTURES, or ~/.cache/pictor-bench; the
# benchmarks read the same variable. Pictures already made are kept; --force
# makes them again.
set -eu

DIR=${PICTOR_BENCH_PICTURES:-${XDG_CACHE_HOME:-$HOME/.cache}/pictor-bench}
WALLPAPERS=/usr/share/wallpapers
PHOTOS="Autumn BytheWater ColorfulCups FallenLeaf"

if [ "${1:-}" = "--force" ]; then rm -f "$DIR"/photo-24mp.bmp "$DIR"/photo-2mp.bmp "$DIR"/photo-24mp.jpg; fi
mkdir -p "$DIR"

need=""
command -v convert >/dev/null 2>&1 && convert -version 2>/dev/null | grep -q ImageMagick || need="$need imagemagick"
[ -f "$WALLPAPERS/Autumn/contents/images/2560x1600.jpg" ] || need="$need plasma-workspace-wallpapers"
if [ -n "$need" ]; then
    if [ "$(id -u)" -eq 0 ]; then
        echo "make-pictures: installing$need"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq
        # shellcheck disable=SC2086
        apt-get install -y -qq --no-install-recommends $need >/dev/null || true
    else
        echo "make-pictures: missing$need (run as root to install)" >&2
    fi
fi
command -v convert >/dev/null 2>&1 || { echo "make-pictures: ImageMagick is needed" >&2; exit 1; }

# 24 bits per pixel without alpha, whatever the colours.
BMP24="-type TrueColor -define bmp:format=bmp3 -compress none"
NOISE="-seed 7 -attenuate 0.35 +noise Gaussian"

big="$DIR/photo-24mp.bmp"
if [ ! -f "$big" ]; then
    files=""
    for p in $PHOTOS; do
        f="$WALLPAPERS/$p/contents/images/2560x1600.jpg"
        [ -f "$f" ] && files="$files $f"
    done
    set -- $files
    if [ $# -eq 4 ]; then
        echo "make-pictures: $big from $PHOTOS"
        # shellcheck disable=SC2086
        convert \( "$1" "$2" +append \) \( "$3" "$4" +append \) -append \
            -filter Lanczos -resize '6000x4000!' $NOISE $BMP24 "BMP3:$big.part"
    else
        echo "make-pictures: wallpapers missing, $big is synthetic"
        # shellcheck disable=SC2086
        convert -size 6000x4000 -seed 7 plasma:fractal -blur 0x3 $NOISE $BMP24 "BMP3:$big.part"
    fi
    mv "$big.part" "$big"
fi

small="$DIR/photo-2mp.bmp"
if [ ! -f "$small" ]; then
    echo "make-pictures: $small"
    # shellcheck disable=SC2086
    convert "$big" -filter Lanczos -resize '1740x1160!' $BMP24 "BMP3:$small.part"
    mv "$small.part" "$small"
fi

jpeg="$DIR/photo-24mp.jpg"
if [ ! -f "$jpeg" ]; then
    echo "make-pictures: $jpeg"
    convert "$big" -quality 90 -sampling-factor 2x2 "JPEG:$jpeg.part"
    mv "$jpeg.part" "$jpeg"
fi

echo "make-pictures: pictures in $DIR"

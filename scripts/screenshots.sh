#!/bin/sh
# Photographs the main window for the README: a photo opened, the trimming
# area shown, a reduction with the histogram window open, the save dialog
# over the histogram window, and the trimming outline at 40 % (a detail,
# enlarged twice). Runs the program under Xvfb with a small window manager
# (openbox) and writes docs/*.png.
# Usage: scripts/screenshots.sh [photo]   (as root on a fresh machine)
# The default photo comes from Debian's package plasma-workspace-wallpapers.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

./scripts/install-deps.sh
need=""
for p in plasma-workspace-wallpapers openbox xvfb xauth imagemagick; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need="$need $p"
done
if [ -n "$need" ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    # shellcheck disable=SC2086
    apt-get install -y --no-install-recommends $need
fi

photo=${1:-/usr/share/wallpapers/ColorfulCups/contents/images/2560x1600.jpg}
cmake -S . -B build >/dev/null
cmake --build build -j "$(nproc)" --target pictor-scenes

cat > build/shoot-one.sh <<'INNER'
#!/bin/sh
# $1 scene, $2 photo, $3 output
openbox >/dev/null 2>&1 &
wm=$!
sleep 1
"$(dirname "$0")/app/pictor-scenes" "$1" "$2" &
app=$!
sleep 5
import -window root "$3"
kill "$app" "$wm" 2>/dev/null || true
wait 2>/dev/null || true
INNER
chmod +x build/shoot-one.sh

export QT_QPA_PLATFORM=xcb
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for scene in loaded trim reduced dialog outline; do
    # Each run starts without settings, so the windows take the scene's places.
    rm -f build/app/pictor-scenes.ini
    xvfb-run -a -s "-screen 0 800x600x24" build/shoot-one.sh "$scene" "$photo" "$tmp/$scene.png"
    case $scene in
    # The trimming rectangle and its surroundings, pixels doubled.
    outline) crop="-crop 345x295+300+110 +repage -filter point -resize 200%" ;;
    *) crop="-crop 780x590+0+0 +repage" ;;
    esac
    # shellcheck disable=SC2086
    convert "$tmp/$scene.png" $crop -strip -colors 256 "PNG8:docs/screenshot-$scene.png"
    echo "docs/screenshot-$scene.png"
done

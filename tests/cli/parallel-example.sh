#!/bin/sh
# The README's GNU parallel example, run on this machine alone (-S : in place
# of the README's hosts): its outputs must be byte for byte those of one
# plain pictor-cli run with -j 1.
# Usage: parallel-example.sh PICTOR_CLI README JPEG_DIR
# Exit status 77 (a skip for CTest) where GNU parallel is not installed.
set -eu
cli=$1
readme=$2
jpegs=$3

if ! parallel --version 2>/dev/null | grep -q "GNU parallel"; then
    echo "GNU parallel is not installed (Debian package parallel): test skipped"
    exit 77
fi

# The steps of the example, as the README gives them.
steps="--reduce mediancut-diffusion --colors 64 --out-dir reduced --ext bmp --quiet"
if ! grep -qF -- "pictor-cli {} $steps ::: photos/*.jpg" "$readme"; then
    echo "the README's parallel example no longer runs 'pictor-cli {} $steps ::: photos/*.jpg'" >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# A few pictures of different sizes, made from the JPEG samples.
mkdir photos
"$cli" "$jpegs/baseline.jpg" --enlarge 64x48 -o photos/a.jpg
"$cli" "$jpegs/prog.jpg" --enlarge 80x60 --bright 120 -o photos/b.jpg
"$cli" "$jpegs/rst.jpg" --enlarge 50x70 --turn 90 -o photos/c.jpg
"$cli" "$jpegs/gray.jpg" --enlarge 33x21 -o photos/d.jpg

# The example as the README has it, but for -S :. A home of its own keeps
# the user's ~/.parallel settings out; --will-cite keeps the citation notice
# out. parallel says that it ignores --transferfile without remote hosts.
PATH=$(dirname "$cli"):$PATH HOME=$work/home \
    env -u PARALLEL \
    parallel --will-cite -S : --transferfile {} --return reduced/{/.}.bmp --cleanup \
    pictor-cli {} $steps ::: photos/*.jpg 2>parallel.err
if grep -v "ignored as there are no remote --sshlogin" parallel.err; then
    echo "parallel or pictor-cli wrote the messages above" >&2
    exit 1
fi

mkdir plain
"$cli" photos/*.jpg --reduce mediancut-diffusion --colors 64 --out-dir plain --ext bmp --quiet -j 1

status=0
for p in photos/*.jpg; do
    name=$(basename "$p" .jpg).bmp
    if ! cmp "reduced/$name" "plain/$name"; then
        status=1
    fi
done
[ "$(ls reduced | wc -l)" -eq 4 ] || { echo "reduced/ holds $(ls reduced | wc -l) files, not 4" >&2; status=1; }
[ "$status" -eq 0 ] && echo "parallel example: 4 outputs equal to a plain -j 1 run"
exit "$status"

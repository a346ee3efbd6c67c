#!/bin/sh
# Installs what is missing, builds Pictor and starts it.
# Usage: scripts/run.sh [picture]   (run as root on a fresh machine)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
# A picture named relative to where the script was started from.
if [ $# -gt 0 ] && [ -e "$1" ]; then
    set -- "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
fi
cd "$root"

./scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs" --target pictor
exec ./build/app/pictor "$@"

#!/bin/sh
# Installs what is missing, builds Pictor for release and makes the Debian
# package pictor_<version>_<arch>.deb in the repository's folder; install it
# with: apt install ./pictor_*.deb
# Usage: scripts/package.sh            (from anywhere; run as root on a fresh machine)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

./scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DPICTOR_BUILD_TESTS=OFF
cmake --build build-package -j "$jobs"
# One package in the folder, so that ./pictor_*.deb names it alone.
rm -rf build-package/deb
rm -f pictor_*.deb
cpack -G DEB --config build-package/CPackConfig.cmake -B build-package/deb
cp build-package/deb/pictor_*.deb .
ls pictor_*.deb

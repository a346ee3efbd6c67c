#!/bin/sh
# Installs what is missing, builds Pictor and runs every test; then builds
# again with the address and undefined-behaviour sanitizers and runs the
# suite there too, with every fuzz target replaying its regression files.
# Usage: scripts/test.sh            (from anywhere; run as root on a fresh machine)
#        PICTOR_SKIP_SANITIZE=1 scripts/test.sh   (the first pass only)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

./scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
export QT_QPA_PLATFORM=offscreen

start=$(date +%s)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"
echo "test.sh: normal build and tests took $(( $(date +%s) - start )) s"

if [ "${PICTOR_SKIP_SANITIZE:-}" = 1 ]; then
    exit 0
fi

# The second pass: the whole suite again, built with the address and
# undefined-behaviour sanitizers, and the fuzz targets as replay programs over
# their regression files (no clang needed). -O1 with line tables only: half
# the compile time of -O2 -g, and reports still name file and line.
start=$(date +%s)
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
      -DPICTOR_SANITIZE=ON -DPICTOR_BUILD_FUZZ=ON
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs"
echo "test.sh: sanitizer build and tests took $(( $(date +%s) - start )) s"

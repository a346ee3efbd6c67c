#!/bin/sh
# Installs every Debian package Pictor needs to build, test and run.
# Run as root. Quick when everything is already present.
set -eu

PACKAGES="
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  libcairo2-dev libfontconfig-dev libfreetype-dev
  libjpeg-dev libpng-dev libgif-dev libuemf-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  fonts-ipafont-gothic fonts-dejavu-core
  fonts-liberation2 fonts-crosextra-carlito fonts-crosextra-caladea fonts-symbola
  xvfb xauth imagemagick
  parallel
  dpkg-dev file help2man man-db appstream desktop-file-utils
"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

if [ -z "$missing" ]; then
    echo "install-deps: all packages present"
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: missing packages:$missing" >&2
    echo "install-deps: run this script as root to install them" >&2
    exit 1
fi

echo "install-deps: installing$missing"
export DEBIAN_FRONTEND=noninteractive
apt-get update
# shellcheck disable=SC2086
apt-get install -y --no-install-recommends $missing

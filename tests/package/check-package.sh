#!/bin/sh
# Makes the Debian package from a finished build and checks it: the files it
# must hold, its dependencies, the desktop entry and the AppStream data as
# their validators see them, and pictor-cli run from the unpacked files.
# Usage: check-package.sh BUILD-FOLDER WORK-FOLDER VERSION
set -eu
build=$1 work=$2 version=$3

fail() {
    echo "check-package: $*" >&2
    exit 1
}

rm -rf "$work"
mkdir -p "$work"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack failed"; }
deb="$work/pictor_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $deb; made: $(ls "$work")"

dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents"
metainfo=usr/share/metainfo/io.github.pictor.Pictor.metainfo.xml
for file in usr/bin/pictor usr/bin/pictor-cli usr/share/applications/pictor.desktop \
            usr/share/icons/hicolor/scalable/apps/pictor.svg usr/share/icons/hicolor/256x256/apps/pictor.png \
            $metainfo usr/share/man/man1/pictor-cli.1.gz usr/share/doc/pictor/copyright; do
    grep -qx "\./$file" "$work/contents" || fail "$file is not in the package"
done

depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libcairo2 libjpeg62-turbo libpng16-16 libuemf0 fonts-ipafont-gothic fonts-liberation2; do
    echo "$depends" | grep -Eq "(^|, )$package( |,|$)" || fail "Depends lacks $package: $depends"
done

root="$work/root"
dpkg -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/pictor.desktop" || fail "desktop entry invalid"
appstreamcli validate --no-net "$root/$metainfo" || fail "AppStream data invalid"
grep -q "<release version=\"$version\"" "$root/$metainfo" || fail "AppStream data lacks release $version"
[ "$("$root/usr/bin/pictor-cli" --version)" = "pictor-cli $version" ] || fail "pictor-cli --version"
LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$root/usr/share/man/man1/pictor-cli.1.gz" >"$work/man.txt" ||
    fail "man cannot show the manual page"
grep -q -- "--out-dir DIR" "$work/man.txt" || fail "the manual page lacks the options"
echo "check-package: $deb is whole"

#!/usr/bin/env bash
# deb_test.sh BUILD_DIR: `cpack -G DEB` makes the package; its contents hold
# the programs, their data, the icon, the menu entry and the metainfo, and
# its dependencies come from dpkg-shlibdeps.
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
(cd "$tmp" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1) ||
  { cat "$tmp/cpack.log"; exit 1; }
deb=$(ls "$tmp"/out/*.deb)
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
fail() { echo "FAIL: $*" >&2; echo "$contents" >&2; exit 1; }
for f in ./usr/bin/albumsmith ./usr/bin/albumsmith-cli \
         ./usr/share/albumsmith/albsite/js/index_templ.html ./usr/share/albumsmith/albsite/js/php_functions.php \
         ./usr/share/albumsmith/demo/Cameras/canon-ixus.jpg ./usr/share/albumsmith/Lang/Français.lng \
         ./usr/share/applications/org.example.Albumsmith.desktop \
         ./usr/share/metainfo/org.example.Albumsmith.metainfo.xml \
         ./usr/share/icons/hicolor/scalable/apps/org.example.Albumsmith.svg \
         ./usr/share/icons/hicolor/128x128/apps/org.example.Albumsmith.png; do
  grep -qxF "$f" <<<"$contents" || fail "$f is not in $(basename "$deb")"
done
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6widgets6 libcurl libjpeg libc6 libqt6svg6; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib"
done
echo "$(basename "$deb"): contents and dependencies as expected"

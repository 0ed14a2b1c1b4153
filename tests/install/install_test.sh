#!/usr/bin/env bash
# install_test.sh BUILD_DIR: `cmake --install` into a temporary prefix, then
# the installed albumsmith-cli makes its demo from the data it finds under
# PREFIX/share/albumsmith, and writes the album's site with the template
# found there.
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >"$tmp/install.log"

fail() { echo "FAIL: $*" >&2; exit 1; }
for f in bin/albumsmith bin/albumsmith-cli \
         share/albumsmith/albsite/js/index_templ.html share/albumsmith/demo share/albumsmith/Lang/Français.lng \
         share/applications/org.example.Albumsmith.desktop share/metainfo/org.example.Albumsmith.metainfo.xml \
         share/icons/hicolor/scalable/apps/org.example.Albumsmith.svg \
         share/icons/hicolor/48x48/apps/org.example.Albumsmith.png \
         share/icons/hicolor/256x256/apps/org.example.Albumsmith.png; do
  [ -e "$prefix/$f" ] || fail "$f is not installed"
done

# Run from somewhere else, with nothing of the build tree in reach.
cd "$tmp"
cli=("$prefix/bin/albumsmith-cli" --config-dir "$tmp/config" --profiles-dir "$tmp/profiles")
out=$("${cli[@]}" demo) || fail "albumsmith-cli demo failed: $out"
echo "$out"
grep -q "^profile Demo in $tmp/profiles/Demo/" <<<"$out" || fail "no demo profile made"
grep -q "ImageTree/Cameras/: 3 file(s)" <<<"$out" || fail "the demo photos were not found"
"${cli[@]}" site Demo --out "$tmp/site" >/dev/null || fail "albumsmith-cli site failed"
grep -q 'folder-card' "$tmp/site/index.html" || fail "the installed template did not write the front page"
[ -f "$tmp/site/albsite/js/album_s.js" ] || fail "the template's script was not found"
"${cli[@]}" version | grep -q '^Albumsmith ' || fail "version"
# The installed language module is found: in French the list's dates name
# the month in French.
ini=$tmp/config/Albumsmith.ini
if grep -q '^\[Settings\]' "$ini"; then sed -i 's/^\[Settings\]$/[Settings]\nLanguage=Français/' "$ini"
else printf '[Settings]\nLanguage=Français\n' >>"$ini"; fi
listed=$("${cli[@]}" list Demo Cameras) || fail "albumsmith-cli list failed"
grep -q $'\t09-juin-01 ' <<<"$listed" || fail "the French module was not used: $listed"
echo "installed program runs from $prefix"

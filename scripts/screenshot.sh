#!/usr/bin/env bash
# Takes pictures of the main window, headless, with the demo profile open:
#   thumbnails.png   the tree expanded, Cameras/ as thumbnails (once the image
#                    worker has made them)
#   list.png         the same folder as a detailed list
#   orientation.png  Orientation/ as thumbnails: photos stored on their side
#                    come out upright
#   window-1x.png, window-2x.png  the window 1400 units wide with its whole
#                    tool bar, on a screen of 1 and of 2 pixels per unit
#   french.png       the same window in French
#   front-page.png   the demo album's front page, with its folder cards, in
#                    headless Chromium
# With --manual the pictures the manual shows are written into
# resources/help/images/ instead.
# Builds nothing: run it after building the `albumsmith` and `albumsmith-cli`
# targets.
#
#   scripts/screenshot.sh [OUT_DIR]      (default: build/screenshots)
#
# ALBUMSMITH_BIN names the program when it is not in build-ui/ or build/.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
manual=
if [ "${1:-}" = --manual ]; then manual=1; shift; fi
out=${1:-$root/build/screenshots}
[ -n "$manual" ] && out=$root/resources/help/images
case $out in /*) ;; *) out=$PWD/$out ;; esac
mkdir -p "$out"

bin=${ALBUMSMITH_BIN:-}
if [ -z "$bin" ]; then
  for candidate in "$root/build-ui/bin/albumsmith" "$root/build/bin/albumsmith"; do
    if [ -x "$candidate" ]; then bin=$candidate; break; fi
  done
fi
if [ -z "$bin" ] || [ ! -x "$bin" ]; then
  echo "screenshot.sh: build the albumsmith target first (or set ALBUMSMITH_BIN)" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A settings file of its own: no first-run question, profiles in the scratch
# folder. Without a stored version the start counts as a first run, which
# upgrades nothing and shows no message.
mkdir -p "$work/config" "$work/profiles"
cat > "$work/config/Albumsmith.ini" <<INI
[Settings]
ProfilesDir=$work/profiles/
CheckVersion=0
Language=English
INI

# The demo profile, made the way a user's would be.
cli=$(dirname "$bin")/albumsmith-cli
ALBUMSMITH_CONFIG_DIR="$work/config" "$cli" --profiles-dir "$work/profiles" demo Demo >/dev/null

# Screens large enough for the window: one and two pixels per unit.
for dpr in 1 2; do
  cat > "$work/screen$dpr.json" <<JSON
{ "screens": [ { "name": "Screenshot", "x": 0, "y": 0, "width": 1600, "height": 900,
                 "logicalDpi": 96, "logicalBpi": 96, "dpr": $dpr } ] }
JSON
done

export QT_QPA_PLATFORM="offscreen:configfile=$work/screen1.json"
export ALBUMSMITH_CONFIG_DIR="$work/config"
export XDG_RUNTIME_DIR="$work"
shoot() {
  local name=$1
  shift
  # The program waits for the image worker itself, within its own limit.
  timeout 90 "$bin" --profile Demo "$@" --screenshot "$out/$name"
  echo "$out/$name"
}
shoot thumbnails.png --folder Cameras
shoot list.png --folder Cameras --list-mode

# The album as a visitor sees it.
ALBUMSMITH_CONFIG_DIR="$work/config" "$cli" --profiles-dir "$work/profiles" site Demo --out "$work/site" >/dev/null 2>&1
if command -v chromium >/dev/null; then
  timeout 60 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=1100,620 \
    --screenshot="$out/front-page.png" "file://$work/site/index.html" 2>/dev/null
  echo "$out/front-page.png"
else
  echo "screenshot.sh: no chromium, no picture of the front page" >&2
fi
[ -n "$manual" ] && exit 0
shoot orientation.png --folder Orientation
shoot window-1x.png --folder Cameras --window-size 1400x800
QT_QPA_PLATFORM="offscreen:configfile=$work/screen2.json" shoot window-2x.png --folder Cameras --window-size 1400x800
sed -i 's/^Language=.*/Language=Français/' "$work/config/Albumsmith.ini"
shoot french.png --folder Cameras --window-size 1400x800

#!/usr/bin/env bash
# Takes pictures of the main window, headless, with the demo profile open:
#   thumbnails.png   the tree expanded, Cameras/ as thumbnails (once the image
#                    worker has made them)
#   list.png         the same folder as a detailed list
#   orientation.png  Orientation/ as thumbnails: photos stored on their side
#                    come out upright
# Builds nothing: run it after building the `albumsmith` and `albumsmith-cli`
# targets.
#
#   scripts/screenshot.sh [OUT_DIR]      (default: build/screenshots)
#
# ALBUMSMITH_BIN names the program when it is not in build-ui/ or build/.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build/screenshots}
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

# A screen large enough for the window's first size.
cat > "$work/screen.json" <<JSON
{ "screens": [ { "name": "Screenshot", "x": 0, "y": 0, "width": 1280, "height": 800,
                 "logicalDpi": 96, "logicalBpi": 96, "dpr": 1 } ] }
JSON

export QT_QPA_PLATFORM="offscreen:configfile=$work/screen.json"
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
shoot orientation.png --folder Orientation

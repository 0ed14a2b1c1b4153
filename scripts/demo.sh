#!/usr/bin/env bash
# Installs what is needed, builds the program and runs it on the demo photos
# shipped with it: the command line makes a demo profile and writes its web
# album (thumbnails, medium images, Exif pages, folder pages, slide shows) into
# a folder; with a display, the main window then opens on the demo profile.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
DEMO_HOME=${DEMO_HOME:-$PWD/build/demo-home}
mkdir -p "$DEMO_HOME"
CLI=(build/bin/albumsmith-cli --config-dir "$DEMO_HOME/config")
# The demo keeps its settings and profiles under DEMO_HOME, apart from the user's.
"${CLI[@]}" basedir "$DEMO_HOME" >/dev/null
"${CLI[@]}" demo Demo
echo
echo "== the album's web site, made from the demo profile"
rm -rf "$DEMO_HOME/site"
"${CLI[@]}" site Demo --out "$DEMO_HOME/site"
echo
echo "Open $DEMO_HOME/site/index.html in a browser to see the album."
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  ALBUMSMITH_CONFIG_DIR="$DEMO_HOME/config" build/bin/albumsmith --profile Demo
else
  echo
  echo "No display: the main window was not opened. The demo profile is in $DEMO_HOME/Albumsmith/Demo"
fi

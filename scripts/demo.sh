#!/usr/bin/env bash
# Installs what is needed, builds the program and runs it on the demo photos
# shipped with it: with a display, the main window opens on a demo profile;
# without one, the same demo runs through the command line and prints what it made.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
DEMO_HOME=${DEMO_HOME:-$PWD/build/demo-home}
mkdir -p "$DEMO_HOME"
CLI=(build/bin/albumsmith-cli --config-dir "$DEMO_HOME/config" --profiles-dir "$DEMO_HOME/profiles")
"${CLI[@]}" demo Demo
echo
"${CLI[@]}" profile show Demo
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  ALBUMSMITH_CONFIG_DIR="$DEMO_HOME/config" build/bin/albumsmith --profiles-dir "$DEMO_HOME/profiles" --profile Demo
else
  echo
  echo "No display: the main window was not opened. The demo profile is in $DEMO_HOME/profiles/Demo"
fi

#!/usr/bin/env bash
# Installs what is needed, builds the program and does its main job on the
# demo photos shipped with it: the command line makes a demo profile, publishes
# the album with `sync` to an FTP server started here on 127.0.0.1, and a web
# server on 127.0.0.1 shows what was published. With a display the main window
# then opens on the demo profile (its Server menu publishes to the same
# server); without one the front page is fetched once to show it is served.
# Both servers are stopped, by their process id, when the demo ends.
#
# ALBUMSMITH_DEMO_BIN=DIR runs the programs already built in DIR and skips the
# installation and the build (the tests do that).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${ALBUMSMITH_DEMO_BIN:-}" ]; then
  ./scripts/install-deps.sh
  ./scripts/build.sh
  BIN=build/bin
else
  BIN=$ALBUMSMITH_DEMO_BIN
fi
DEMO_HOME=${DEMO_HOME:-$PWD/build/demo-home}
mkdir -p "$DEMO_HOME"
CLI=("$BIN/albumsmith-cli" --config-dir "$DEMO_HOME/config")

# The FTP user's folder; the album is published into its /album/ folder.
FTP_ROOT=$DEMO_HOME/ftp-root
rm -rf "$FTP_ROOT"
mkdir -p "$FTP_ROOT/album"
PASSWORD=$(head -c 12 /dev/urandom | od -An -tx1 | tr -d ' \n')
SERVERS_OUT=$DEMO_HOME/servers.out
/usr/bin/python3 scripts/demo_servers.py --root "$FTP_ROOT" --web "$FTP_ROOT/album" \
  --user demo --password "$PASSWORD" >"$SERVERS_OUT" 2>"$DEMO_HOME/servers.err" &
SERVERS_PID=$!
stop_servers() { kill "$SERVERS_PID" 2>/dev/null || true; wait "$SERVERS_PID" 2>/dev/null || true; }
trap stop_servers EXIT

for _ in $(seq 100); do
  grep -q '^ftp ' "$SERVERS_OUT" 2>/dev/null && break
  if ! kill -0 "$SERVERS_PID" 2>/dev/null; then
    echo "the demo's FTP server did not start (python3-pyftpdlib missing? run scripts/install-deps.sh):" >&2
    cat "$DEMO_HOME/servers.err" >&2
    exit 1
  fi
  sleep 0.1
done
read -r _ FTP_PORT _ HTTP_PORT <"$SERVERS_OUT"
ADDRESS="http://127.0.0.1:$HTTP_PORT/"

# The demo keeps its settings and profiles under DEMO_HOME, apart from the user's.
"${CLI[@]}" basedir "$DEMO_HOME" >/dev/null
"${CLI[@]}" demo Demo
"${CLI[@]}" profile set Demo "ServerName=127.0.0.1:$FTP_PORT" Login=demo "Password=$PASSWORD" \
  RemoteDir=/album/ >/dev/null

echo
echo "== publishing the demo album to the FTP server on 127.0.0.1:$FTP_PORT"
"${CLI[@]}" --yes sync Demo

echo
echo "The published album is served at $ADDRESS"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "(the servers run until the main window is closed)"
  ALBUMSMITH_CONFIG_DIR="$DEMO_HOME/config" "$BIN/albumsmith" --profile Demo
else
  page=$DEMO_HOME/front-page.html
  if ! /usr/bin/python3 -c 'import sys, urllib.request; open(sys.argv[2], "wb").write(urllib.request.urlopen(sys.argv[1], timeout=10).read())' "$ADDRESS" "$page"; then
    echo "the front page is not served at $ADDRESS" >&2
    exit 1
  fi
  if ! cmp -s "$page" "$FTP_ROOT/album/index.html"; then
    echo "$ADDRESS does not answer with the published front page" >&2
    exit 1
  fi
  echo "front page served at $ADDRESS: $(grep -o '<title>[^<]*</title>' "$page")"
  echo "No display: the main window was not opened. The demo profile is in $DEMO_HOME/Demo"
fi

#!/usr/bin/env bash
# demo_test.sh SOURCE_DIR BIN_DIR: scripts/demo.sh without a display
# publishes the demo album to its FTP server, serves it over HTTP, prints the
# address and checks that it answers with the published front page. Its
# progress, on this non-terminal, is one line per step, ending at 100 %.
set -euo pipefail
src=$1 bin=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
out=$(env -u DISPLAY -u WAYLAND_DISPLAY DEMO_HOME="$tmp/home" ALBUMSMITH_DEMO_BIN="$bin" "$src/scripts/demo.sh" 2>&1) ||
  { echo "$out"; echo "FAIL: demo.sh failed" >&2; exit 1; }
echo "$out"
fail() { echo "FAIL: $*" >&2; exit 1; }
grep -qE '^front page served at http://127\.0\.0\.1:[0-9]+/: <title>Demo</title>$' <<<"$out" || fail "no front page"
grep -qx ' *Ready' <<<"$out" || grep -q 'Ready$' <<<"$out" || fail "the synchronisation did not end with Ready"
grep -q '100 %' <<<"$out" || fail "the progress did not reach 100 %"
# No step printed twice in a row, and no terminal bars on a non-terminal.
if grep -q $'\r\|\[#' <<<"$out"; then fail "terminal progress bars on a non-terminal"; fi
repeats=$(uniq -d <<<"$out" | grep -c '%' || true)
[ "$repeats" -eq 0 ] || fail "$repeats progress lines repeated"
# The servers are gone with the demo.
port=$(grep -oE 'http://127\.0\.0\.1:[0-9]+/' <<<"$out" | tail -1)
if python3 -c 'import sys, urllib.request; urllib.request.urlopen(sys.argv[1], timeout=2)' "$port" 2>/dev/null; then
  fail "the web server still answers at $port"
fi
echo "demo publishes and serves its album"

#!/usr/bin/env bash
# Runs the browser tests (ctest calls this, label "browser"): node's test
# runner on every *.test.mjs beside this script, with the npm packages that
# scripts/install-deps.sh installed beside it. Nothing here downloads
# anything; Chromium is Debian's.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if ! command -v node >/dev/null; then
  echo "browser tests cannot run: node is missing (Debian package nodejs); run scripts/install-deps.sh" >&2
  exit 1
fi
if ! cmp -s "$here/package-lock.json" "$here/node_modules/.albumsmith-lock" ||
   [ ! -f "$here/node_modules/playwright-core/package.json" ]; then
  echo "browser tests cannot run: their npm packages are missing or older than package-lock.json; run scripts/install-deps.sh" >&2
  exit 1
fi

export ALBUMSMITH_NODE_MODULES="$here/node_modules"
exec node --test --test-reporter=tap --test-concurrency=1 "$here"/*.test.mjs

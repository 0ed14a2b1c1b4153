#!/usr/bin/env bash
# Runs the browser tests (ctest calls this, label "browser"): installs the npm
# packages they use into the build tree, again only when the lock file
# changed, then node's test runner on every *.test.mjs beside this script.
# Chromium is Debian's; nothing here downloads a browser.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=${ALBUMSMITH_BROWSER_WORK:?set by ctest}

for tool in node npm; do
  if ! command -v "$tool" >/dev/null; then
    echo "browser tests cannot run: $tool is missing (Debian package nodejs); run scripts/install-deps.sh" >&2
    exit 1
  fi
done

mkdir -p "$work"
if ! cmp -s "$here/package-lock.json" "$work/package-lock.json" ||
   [ ! -f "$work/node_modules/playwright-core/package.json" ]; then
  cp "$here/package.json" "$here/package-lock.json" "$work/"
  (cd "$work" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
fi

export ALBUMSMITH_NODE_MODULES="$work/node_modules"
exec node --test --test-reporter=tap --test-concurrency=1 "$here"/*.test.mjs

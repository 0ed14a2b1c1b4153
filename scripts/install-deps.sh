#!/usr/bin/env bash
# Installs every Debian 12 package that the program, its tests and its demo
# need. Safe to run again: apt-get skips what is already there.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

PACKAGES=(
  # build
  build-essential cmake ninja-build ccache pkg-config git
  # GUI
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-svg-dev
  # slide-show preview window
  qt6-webengine-dev
  # imaging, publishing, access, stamps
  libjpeg62-turbo-dev libturbojpeg0-dev libcurl4-openssl-dev libssl-dev libcrypt-dev
  libfreetype-dev libfontconfig-dev fonts-liberation fonts-dejavu-core
  # tests: unit tests, sanitizers and fuzzing, headless GUI runs
  googletest libgtest-dev libbenchmark-dev clang libclang-rt-14-dev xvfb xauth
  # the layout check and the static analysis of the core
  clang-format clang-tidy
  # browser tests of the built-in template (npm: see below)
  chromium nodejs php-cli
  # FTP servers the publishing tests start on 127.0.0.1
  python3-pyftpdlib vsftpd
  # FTPS certificates, the SFTP server, and the web server with PHP of the
  # access-control tests (all started by the tests on 127.0.0.1)
  openssl openssh-server apache2 libapache2-mod-php
  # desktop entry and metainfo validators; Debian package dependencies
  desktop-file-utils appstream dpkg-dev
  # a server clock that runs ahead (synchronisation tests); the reference client of the sync benchmark
  faketime lftp
)

export DEBIAN_FRONTEND=noninteractive
# apt runs only when something is missing (fast repeated runs).
missing=$(dpkg-query -W -f='${db:Status-Status} ${Package}\n' "${PACKAGES[@]}" 2>&1 | grep -v '^installed ' || true)
# npm: a machine whose Node.js comes with npm keeps it (Debian's npm package
# would conflict with it); elsewhere Debian's npm is installed.
command -v npm >/dev/null 2>&1 || missing="$missing npm"
if [ -z "$missing" ]; then
  echo "install-deps: all packages present"
else
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${PACKAGES[@]}"
  command -v npm >/dev/null 2>&1 || $SUDO apt-get install -y -qq --no-install-recommends npm
fi

# The tests start their own servers on 127.0.0.1; the system-wide vsftpd, ssh
# and apache2 services that the packages enable would only listen for nothing.
if [ -d /run/systemd/system ] && command -v systemctl >/dev/null 2>&1; then
  $SUDO systemctl disable --now vsftpd ssh apache2 >/dev/null 2>&1 || true
fi

# The npm packages of the browser tests (playwright-core; Chromium is
# Debian's), installed here so that running the tests needs no network.
# Again only when the lock file changed since the last install.
browser=$(cd "$(dirname "$0")/../tests/browser" && pwd)
if ! cmp -s "$browser/package-lock.json" "$browser/node_modules/.albumsmith-lock" ||
   [ ! -f "$browser/node_modules/playwright-core/package.json" ]; then
  (cd "$browser" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
  cp "$browser/package-lock.json" "$browser/node_modules/.albumsmith-lock"
fi

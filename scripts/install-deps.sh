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
  qt6-base-dev qt6-base-dev-tools libgl-dev
  # imaging, publishing, access, stamps
  libjpeg62-turbo-dev libturbojpeg0-dev libcurl4-openssl-dev libcrypt-dev
  libfreetype-dev libfontconfig-dev fonts-liberation fonts-dejavu-core
  # tests: unit tests, sanitizers and fuzzing, headless GUI runs
  googletest libgtest-dev libbenchmark-dev clang libclang-rt-14-dev xvfb xauth
  # browser tests of the built-in template (npm comes with the machine's nodejs)
  chromium nodejs php-cli
  # FTP servers the publishing tests start on 127.0.0.1
  python3-pyftpdlib vsftpd
  # a server clock that runs ahead (synchronisation tests); the reference client of the sync benchmark
  faketime lftp
)

export DEBIAN_FRONTEND=noninteractive
# Skip apt entirely when everything is installed (fast repeated runs).
missing=$(dpkg-query -W -f='${db:Status-Status} ${Package}\n' "${PACKAGES[@]}" 2>&1 | grep -v '^installed ' || true)
if [ -z "$missing" ]; then
  echo "install-deps: all packages present"
  exit 0
fi
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${PACKAGES[@]}"

#!/usr/bin/env bash
# Configures and builds the program and its tests in build/ (or $BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
JOBS=${JOBS:-$(nproc)}
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DALBUMSMITH_WERROR=ON "$@" >/dev/null
cmake --build "$BUILD_DIR" -j "$JOBS"

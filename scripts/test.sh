#!/usr/bin/env bash
# Installs what is needed, builds everything, then runs every test: first the
# core's unit tests under AddressSanitizer + UndefinedBehaviorSanitizer, then
# the whole suite (unit, command line, GUI) of the normal build. The last line
# is the test runner's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
JOBS=${JOBS:-$(nproc)}

echo "== sanitizer build (core unit tests)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DALBUMSMITH_GUI=OFF -DALBUMSMITH_SANITIZE=ON \
  -DALBUMSMITH_WERROR=ON >/dev/null
cmake --build build-asan -j "$JOBS"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build-asan -L unit --output-on-failure -j "$JOBS"

echo "== build and full test suite"
BUILD_DIR=build ./scripts/build.sh
ctest --test-dir build --output-on-failure -j "$JOBS"

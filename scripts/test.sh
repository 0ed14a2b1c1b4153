#!/usr/bin/env bash
# Installs what is needed, checks the layout of the sources, builds everything,
# runs clang-tidy over the core, then runs every test: first the core's unit tests under AddressSanitizer +
# UndefinedBehaviorSanitizer, then a bounded fuzzing run, then the whole suite (unit, command line, GUI,
# integration tests against real FTP servers, browser tests) of the normal build. The last line
# is the test runner's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
JOBS=${JOBS:-$(nproc)}
# Builds from several clones share one compiler cache.
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1

echo "== layout (clang-format)"
./scripts/check_format.sh

echo "== sanitizer build (core unit tests)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DALBUMSMITH_GUI=OFF -DALBUMSMITH_BENCH=OFF -DALBUMSMITH_SANITIZE=ON \
  -DALBUMSMITH_WERROR=ON >/dev/null
cmake --build build-asan -j "$JOBS"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build-asan -L unit --output-on-failure -j "$JOBS"

echo "== fuzzing the Exif reader and the listing parsers (${FUZZ_SECONDS:-60} s each)"
./scripts/fuzz.sh "${FUZZ_SECONDS:-60}"

echo "== build and full test suite"
BUILD_DIR=build ./scripts/build.sh
echo "== clang-tidy over the core"
# A finding fails the run, but only after the suite has run too.
tidy=0
BUILD_DIR=build JOBS="$JOBS" ./scripts/tidy.sh || tidy=1
ctest --test-dir build --output-on-failure -j "$JOBS"
[ "$tidy" -eq 0 ]

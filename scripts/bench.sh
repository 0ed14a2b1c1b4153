#!/usr/bin/env bash
# Builds and runs the derived-image benchmark in build-bench/ (or $BUILD_DIR),
# optimised, without the GUI. Arguments go to the benchmark (--dir DIR to keep
# the generated photos elsewhere, --rounds N). Run it on a quiet machine: the
# figures are ratios against a floor measured in the same run, but other
# work on the cores still shows in the parallel speed-up.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build-bench}
JOBS=${JOBS:-$(nproc)}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DALBUMSMITH_GUI=OFF -DALBUMSMITH_TESTS=OFF \
  -DALBUMSMITH_BENCH=ON >/dev/null
cmake --build "$BUILD_DIR" --target albumsmith_bench -j "$JOBS"
"$BUILD_DIR/bin/albumsmith_bench" "$@"

#!/usr/bin/env bash
# Builds the Exif fuzzer (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs it for SECONDS seconds
# (default 60) from the seed corpus in fuzz/corpus/. New inputs it finds go to
# build-fuzz/corpus/, a crashing input to build-fuzz/crashes/; the script then
# exits non-zero. Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
RUN_SECONDS=${1:-60}

CXX=clang++ cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j "${JOBS:-1}"
mkdir -p build-fuzz/corpus build-fuzz/crashes

ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ./build-fuzz/exif_fuzzer -max_total_time="$RUN_SECONDS" -timeout=10 -rss_limit_mb=2048 -max_len=70000 \
  -artifact_prefix=build-fuzz/crashes/ -print_final_stats=1 build-fuzz/corpus fuzz/corpus

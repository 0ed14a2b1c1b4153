#!/usr/bin/env bash
# Builds the fuzzers (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs each for SECONDS seconds
# (default 60): the Exif fuzzer from the seed corpus in fuzz/corpus/, the
# listing fuzzer from fuzz/listing_corpus/. New inputs go to
# build-fuzz/<fuzzer>-corpus/, a crashing input to build-fuzz/crashes/; the
# script then exits non-zero. Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
RUN_SECONDS=${1:-60}

CXX=clang++ cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j "${JOBS:-1}"
mkdir -p build-fuzz/crashes

run() {
  local fuzzer=$1 seeds=$2 max_len=$3
  mkdir -p "build-fuzz/$fuzzer-corpus"
  echo "== $fuzzer"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "./build-fuzz/$fuzzer" -max_total_time="$RUN_SECONDS" -timeout=10 -rss_limit_mb=2048 -max_len="$max_len" \
    -artifact_prefix=build-fuzz/crashes/ -print_final_stats=1 "build-fuzz/$fuzzer-corpus" "$seeds"
}
run exif_fuzzer fuzz/corpus 70000
run listing_fuzzer fuzz/listing_corpus 8192

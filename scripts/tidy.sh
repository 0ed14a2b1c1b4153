#!/usr/bin/env bash
# Runs clang-tidy (checks in .clang-tidy) over the core and the command line:
# src/platform store imaging album site publish app update cli. Needs a
# configured build for its compile_commands.json (BUILD_DIR, default build/);
# generated sources there must exist, so build first. Exits 1 on any finding.
#   scripts/tidy.sh [FILE...]     only those files
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
CLANG_TIDY=${CLANG_TIDY:-clang-tidy}
JOBS=${JOBS:-$(nproc)}
if [ ! -f "$BUILD_DIR/compile_commands.json" ]; then
  echo "tidy: no $BUILD_DIR/compile_commands.json; configure and build first (scripts/build.sh)" >&2
  exit 2
fi
if ! command -v "$CLANG_TIDY" >/dev/null; then
  echo "tidy: $CLANG_TIDY not found (scripts/install-deps.sh installs it)" >&2
  exit 2
fi

if [ "$#" -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <(git ls-files -- 'src/platform/*.cpp' 'src/store/*.cpp' 'src/imaging/*.cpp' 'src/album/*.cpp' \
                                       'src/site/*.cpp' 'src/publish/*.cpp' 'src/app/*.cpp' 'src/update/*.cpp' \
                                       'src/cli/*.cpp')
fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT
# The flags come from a GCC build: options clang does not know are not findings.
status=0
printf '%s\0' "${files[@]}" |
  xargs -0 -n 1 -P "$JOBS" "$CLANG_TIDY" -p "$BUILD_DIR" --quiet --extra-arg=-Wno-unknown-warning-option \
  >"$log" 2>&1 || status=1
# Findings only; the counts of suppressed warnings are noise.
grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$|^Suppressed [0-9]+ warnings|^Use -header-filter' "$log" || true
if [ "$status" -ne 0 ]; then
  echo "tidy: findings above (${#files[@]} files checked)" >&2
  exit 1
fi
echo "tidy: ${#files[@]} files clean"

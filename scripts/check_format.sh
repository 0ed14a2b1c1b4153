#!/usr/bin/env bash
# Checks that every C++ file under src/ tests/ bench/ fuzz/ is laid out as
# .clang-format says; lists the files that are not and exits 1.
#   scripts/check_format.sh          check
#   scripts/check_format.sh --fix    format them in place
set -euo pipefail
cd "$(dirname "$0")/.."
CLANG_FORMAT=${CLANG_FORMAT:-clang-format}
fix=0
case "${1:-}" in
  --fix) fix=1 ;;
  "") ;;
  *) echo "usage: $0 [--fix]" >&2; exit 2 ;;
esac

if ! command -v "$CLANG_FORMAT" >/dev/null; then
  echo "check_format: $CLANG_FORMAT not found (scripts/install-deps.sh installs it)" >&2
  exit 2
fi

mapfile -t files < <(git ls-files -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' \
                                     'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h')
if [ "$fix" -eq 1 ]; then
  printf '%s\0' "${files[@]}" | xargs -0 -n 50 "$CLANG_FORMAT" -i --style=file
  exit 0
fi

# --dry-run names each line that would change as "FILE:LINE:COL: error: ...".
mapfile -t bad < <(printf '%s\0' "${files[@]}" |
                   xargs -0 -n 50 "$CLANG_FORMAT" --dry-run --style=file 2>&1 |
                   sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: \(error\|warning\): code should be clang-formatted.*/\1/p' |
                   sort -u)
if [ "${#bad[@]}" -ne 0 ]; then
  echo "check_format: ${#bad[@]} file(s) not formatted (scripts/check_format.sh --fix formats them):" >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "check_format: ${#files[@]} files formatted"

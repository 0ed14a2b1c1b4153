#!/usr/bin/env bash
# validate.sh desktop|metainfo VALIDATOR FILE: the validator must pass the
# file without an error or a warning.
set -euo pipefail
kind=$1 validator=$2 file=$3
if [ -z "$validator" ] || [ ! -x "$validator" ]; then
  echo "the $kind validator is missing (desktop-file-utils / appstream; run scripts/install-deps.sh)" >&2
  exit 1
fi
case $kind in
  desktop) out=$("$validator" "$file" 2>&1) || { echo "$out"; exit 1; }
           # It exits 0 on mere warnings and hints; those count here too.
           if [ -n "$out" ]; then echo "$out"; exit 1; fi ;;
  metainfo) "$validator" validate --no-net --no-color "$file" ;;
esac
echo "$file: valid"

#!/usr/bin/env bash
# Proves that a lower layer's compiled objects need nothing from the layers above: no symbol left
# undefined in an object built from LOWER is defined by an object built from one of the UPPER
# folders. Works on any build folder, whatever targets the folders are compiled into.
#   scripts/layer-symbols.sh BUILD_DIR LOWER UPPER...
#   e.g. scripts/layer-symbols.sh build/test core/parser core/phrases core/document
set -euo pipefail
if [ $# -lt 3 ]; then
  echo "usage: $0 BUILD_DIR LOWER UPPER..." >&2
  exit 2
fi
build=$1 lower=$2
shift 2

root=$(cd "$(dirname "$0")/.." && pwd)

# The objects compiled from the sources of one folder (not its subfolders), read off the build's
# compile_commands.json, so that tests/core/parser is not taken for core/parser.
objects() {
  awk -v want="$root/$1" '
    /"directory":/ { dir = $0; sub(/.*"directory": "/, "", dir); sub(/",?$/, "", dir) }
    /"command":/ {
      obj = ""; src = ""
      n = split($0, w, " ")
      for (i = 1; i < n; ++i) {
        if (w[i] == "-o") obj = w[i + 1]
        if (w[i] == "-c") src = w[i + 1]
      }
      sub(/",?$/, "", src)
      folder = src; sub(/\/[^\/]*$/, "", folder)
      if (folder == want && obj != "") print (obj ~ /^\// ? obj : dir "/" obj)
    }' "$build/compile_commands.json"
}

mapfile -t low < <(objects "$lower")
if [ ${#low[@]} -eq 0 ]; then
  echo "no objects of $lower under $build: build it first" >&2
  exit 2
fi
up=()
for dir in "$@"; do
  mapfile -t found < <(objects "$dir")
  if [ ${#found[@]} -eq 0 ]; then
    echo "no objects of $dir under $build: build it first" >&2
    exit 2
  fi
  up+=("${found[@]}")
done

needed=$(nm --undefined-only --format=just-symbols "${low[@]}" | sort -u)
defined=$(nm --defined-only --format=just-symbols "${up[@]}" | sort -u)
upward=$(comm -12 <(echo "$needed") <(echo "$defined"))
if [ -n "$upward" ]; then
  echo "$lower needs symbols defined above it ($*):" >&2
  echo "$upward" | c++filt >&2
  exit 1
fi
echo "$lower: ${#low[@]} objects, nothing needed from $*"

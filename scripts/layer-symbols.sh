#!/usr/bin/env bash
# Proves that a lower layer's library needs nothing from the layers above: no symbol left undefined in
# the lower library is defined by one of the upper ones.
#   scripts/layer-symbols.sh BUILD_DIR LOWER UPPER...   (library targets, e.g. vexil_parser)
#   e.g. scripts/layer-symbols.sh build/test vexil_parser vexil_phrases vexil_document
set -euo pipefail
if [ $# -lt 3 ]; then
  echo "usage: $0 BUILD_DIR LOWER UPPER..." >&2
  exit 2
fi
build=$1 lower=$2
shift 2

archive() {
  local file="$build/lib$1.a"
  if [ ! -f "$file" ]; then
    echo "no $file: build it first" >&2
    exit 2
  fi
  echo "$file"
}

low=$(archive "$lower")
up=()
for lib in "$@"; do up+=("$(archive "$lib")"); done

needed=$(nm --undefined-only --format=just-symbols "$low" | grep -v ':$' | sort -u)
defined=$(nm --defined-only --format=just-symbols "${up[@]}" | grep -v ':$' | sort -u)
upward=$(comm -12 <(echo "$needed") <(echo "$defined"))
if [ -n "$upward" ]; then
  echo "$lower needs symbols defined above it ($*):" >&2
  echo "$upward" | c++filt >&2
  exit 1
fi
echo "$lower: nothing needed from $*"

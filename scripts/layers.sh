#!/usr/bin/env bash
# Checks that every source folder includes only folders of lower layers: lists each folder's project
# includes and fails on one that reaches sideways or up. Run by ctest (test "layers").
set -euo pipefail
cd "$(dirname "$0")/.."

# Lowest first; folders on one line sit side by side and may not include each other.
layers=(
  "core/currency core/about"
  "core/values"
  "core/rates"
  "core/fetch"
  "core/parser"
  "core/phrases"
  "core/document"
  "ui/storage"
  "ui/common"
  "ui/notebook"
  "ui/sidebar ui/snake"
  "ui/shell"
  "ui/selfcheck"
  "app"
)

declare -A rank
for i in "${!layers[@]}"; do
  for folder in ${layers[$i]}; do rank[$folder]=$i; done
done

status=0
# Every folder with sources must have a layer.
while IFS= read -r folder; do
  if [ -z "${rank[$folder]:-}" ]; then
    echo "layers: $folder has sources but no layer in scripts/layers.sh" >&2
    status=1
  fi
done < <(find core ui app -name '*.cpp' -o -name '*.h' | xargs -n1 dirname | sort -u)

for i in "${!layers[@]}"; do
  for folder in ${layers[$i]}; do
    [ -d "$folder" ] || continue
    targets=()
    while IFS=: read -r file line included; do
      target=$(dirname "$included")
      [ "$target" = "$folder" ] && continue
      targets+=("$target")
      theirs=${rank[$target]:-}
      if [ -z "$theirs" ]; then
        echo "layers: $file:$line includes $included, which is in no layer" >&2
        status=1
      elif [ "$theirs" -ge "$i" ]; then
        echo "layers: $file:$line includes $included, a layer not below $folder" >&2
        status=1
      fi
    done < <(grep -rnoE --include='*.cpp' --include='*.h' '^#include "(core|ui|app)/[^"]+"' "$folder" |
      sed -E 's/:#include "/:/; s/"$//')
    printf '%-14s -> %s\n' "$folder" \
      "$(printf '%s\n' "${targets[@]}" | sort -u | paste -sd' ' | sed 's/^$/(nothing)/')"
  done
done
if [ "$status" = 0 ]; then echo "layers: every include points to a lower layer"; fi
exit "$status"

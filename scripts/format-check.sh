#!/usr/bin/env bash
# Checks the C++ files changed since a base commit against .clang-format; other files are left alone.
#   FORMAT_BASE  the commit to compare with (default HEAD~1: the files the last commit changed, on a merge
#                everything it brought in, and any uncommitted change)
#   --fix        format those files in place instead
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
vexil_install_packages clang-format
base=${FORMAT_BASE:-HEAD~1}
if ! git rev-parse -q --verify "$base^{commit}" >/dev/null; then
  if [ -z "${FORMAT_BASE:-}" ] && [ "$(git rev-list --count HEAD)" = 1 ] &&
    [ "$(git rev-parse --is-shallow-repository)" = false ]; then
    base=$(git hash-object -t tree /dev/null) # the first commit: every file is new
  else
    echo "format check: no commit '$base' to compare with (a shallow clone?); set FORMAT_BASE" >&2
    exit 2
  fi
fi

files=()
while IFS= read -r -d '' file; do
  files+=("$file")
done < <(git diff -z --name-only --diff-filter=d "$base" -- '*.cpp' '*.h' '*.hpp' '*.cc')
if [ ${#files[@]} -eq 0 ]; then
  echo "format check: no C++ file changed since $base"
  exit 0
fi
if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
  echo "formatted ${#files[@]} file(s)"
  exit 0
fi
if ! clang-format --dry-run --Werror "${files[@]}"; then
  echo "format check: the files above differ from .clang-format; scripts/format-check.sh --fix formats them" >&2
  exit 1
fi
echo "format check: ${#files[@]} changed C++ file(s) formatted"

#!/usr/bin/env bash
# clang-tidy with .clang-tidy over the sources whose paths match the arguments (regular expressions; by
# default every source of the program, its tests and benchmarks), from a build folder of its
# own (build/tidy) configured for clang without precompiled headers.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
vexil_install_packages "${VEXIL_TEST_PACKAGES[@]}" clang-tidy
cmake -S . -B build/tidy -DCMAKE_CXX_COMPILER=clang++ -DVEXIL_PCH=OFF -DVEXIL_TESTS=ON -DVEXIL_BENCH=ON \
  >/dev/null
if [ $# -eq 0 ]; then
  set -- "^$PWD/(core|ui|app|tests|bench)/"
fi
run-clang-tidy -quiet -p build/tidy -j "$(vexil_jobs)" "$@"

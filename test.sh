#!/usr/bin/env bash
# Installs what is missing, builds the tests and benchmarks with warnings as errors and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
vexil_install_packages "${VEXIL_TEST_PACKAGES[@]}"
# Optimised like the program, with line tables only: a failure's stack still names files and lines, and
# full debug information makes the build half as long again (configure a Debug build to step through one).
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" \
  -DVEXIL_TESTS=ON -DVEXIL_BENCH=ON -DVEXIL_WERROR=ON >/dev/null
cmake --build build/test -j "$(vexil_jobs)"
export QT_QPA_PLATFORM=offscreen
cd build/test
ctest --output-on-failure -j "$(vexil_jobs)"

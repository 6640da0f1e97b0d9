#!/usr/bin/env bash
# Installs what is missing, builds in Release and starts Vexil; arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
vexil_install_packages
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(vexil_jobs)" --target vexil
exec build/vexil "$@"

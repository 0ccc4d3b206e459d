#!/usr/bin/env bash
# Builds Vantorel and runs every test. On a fresh Debian 12 machine, run as
# root: missing packages are installed first.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh

jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

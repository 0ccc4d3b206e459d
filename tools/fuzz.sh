#!/usr/bin/env bash
# Fuzzes the readers of outside input (location files, dialog filters, chosen
# file names) for the given number of minutes (default 5). New inputs that
# reach new code are added to tests/fuzz/corpus, which ./test.sh replays.
#   usage: tools/fuzz.sh [MINUTES]
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-5}

tools/install-deps.sh test
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"
build-fuzz/vantorel-fuzz -max_len=4097 -max_total_time=$((minutes * 60)) -timeout=10 \
  -print_final_stats=1 tests/fuzz/corpus

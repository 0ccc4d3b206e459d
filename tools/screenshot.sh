#!/usr/bin/env bash
# Retakes docs/screenshot.png: the main window after a complete default plot,
# drawn under Xvfb by build/vantorel-screenshot. Build first (./run.sh or
# cmake --build build).
set -euo pipefail
cd "$(dirname "$0")/.."
[ -x build/vantorel-screenshot ] || cmake --build build --target vantorel-screenshot
mkdir -p docs
xvfb-run -a -s "-screen 0 1600x1200x24" build/vantorel-screenshot docs/screenshot.png
echo "wrote docs/screenshot.png"

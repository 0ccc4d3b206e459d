#!/usr/bin/env bash
# Builds Vantorel and starts it. On a fresh Debian 12 machine, run as root:
# what the program needs to build and run is installed first (the test tools
# are left to test.sh).
set -euo pipefail
cd "$(dirname "$0")"

# The window needs a display: say so before spending minutes on a build.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Vantorel needs a graphical display; without one, try: xvfb-run ./run.sh" >&2
  exit 1
fi

tools/install-deps.sh run

cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target vantorel
exec build/vantorel "$@"

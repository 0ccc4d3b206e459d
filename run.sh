#!/usr/bin/env bash
# Builds Vantorel and starts it. On a fresh Debian 12 machine, run as root:
# missing packages are installed first.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh

cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target vantorel

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Vantorel needs a graphical display; without one, try: xvfb-run ./run.sh" >&2
  exit 1
fi
exec build/vantorel "$@"

#!/usr/bin/env bash
# Installs, with apt-get, whatever is missing on a Debian 12 machine. Needs
# root when something is missing.
#   tools/install-deps.sh run    what building and running the program needs
#   tools/install-deps.sh test   that and the test, sanitizer, fuzz and packaging tools
set -euo pipefail

run=(g++ cmake make qt6-base-dev libgl-dev libx11-dev libmpfr-dev libgmp-dev libpng-dev)  # libx11-dev: the configure step finds X11
test=(libgtest-dev xvfb xauth xdotool               # unit, widget and end-to-end tests
      clang libclang-rt-14-dev                      # the fuzz build
      desktop-file-utils appstream dpkg-dev lintian # validators of the install, package dependencies and lintian
      time                                          # peak memory in vantorel-bench --table 3
      at-spi2-core python3-pyatspi dbus dbus-x11)   # the accessibility tree check (AT-SPI on a D-Bus session)
case "${1:-test}" in
  run) packages=("${run[@]}") ;;
  test) packages=("${run[@]}" "${test[@]}") ;;
  *) echo "usage: install-deps.sh run|test" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "these packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

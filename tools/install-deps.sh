#!/usr/bin/env bash
# Installs, with apt-get, whatever of the build and test dependencies is
# missing on a Debian 12 machine. Needs root when something is missing.
set -euo pipefail

packages=(g++ cmake make qt6-base-dev libgl-dev libx11-dev libgtest-dev libbenchmark-dev xvfb xauth xdotool
          clang libclang-rt-14-dev)
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

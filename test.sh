#!/usr/bin/env bash
# Builds Vantorel and runs every test: once in the release build, once more
# with AddressSanitizer and UndefinedBehaviorSanitizer, then replays the fuzz
# corpus through the libFuzzer build. The release build is also installed
# into a temporary folder, validated and packaged
# (tests/install/check_install.sh). The three builds are the presets of
# CMakePresets.json. On a fresh Debian 12 machine, run as root: missing
# packages are installed first.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh test

jobs=$(nproc)

echo "== release build"
cmake --preset release >/dev/null
cmake --build --preset release -j "$jobs"
ctest --preset release -j "$jobs"

echo "== install, validators and the Debian package"
tests/install/check_install.sh build

echo "== sanitizer build (address, undefined)"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs"

echo "== fuzz corpus replay"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
build-fuzz/vantorel-fuzz tests/fuzz/corpus/*

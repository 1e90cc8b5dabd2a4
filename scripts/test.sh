#!/bin/sh
# Builds Tavo with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAVO_SANITIZE=address,undefined >/dev/null
cmake --build build-asan
cd build-asan
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 "$@"

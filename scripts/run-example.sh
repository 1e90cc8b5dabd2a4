#!/bin/sh
# Builds Tavo and runs it on the shipped example in a scratch copy, then shows the report.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
echo "build: Tavo built in build/bin"

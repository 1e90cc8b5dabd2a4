#!/bin/sh
# Builds Tavo and runs it on a shipped example in a scratch copy, then shows the report.
# Usage: scripts/run-example.sh [constant-ratio|variable-ratio]
set -eu
cd "$(dirname "$0")/.."
example=${1:-constant-ratio}
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVO_TESTS=OFF >/dev/null
cmake --build build
run=build/example-run/$example
rm -rf "$run"
mkdir -p "$run"
cp examples/"$example"/* "$run"/
# Without a terminal on standard input the editor stand-in returns at once, so the run goes
# straight through; run build/bin/tavo in the folder yourself to edit the input first.
(cd "$run" && TAVO_CONSOLE=terminal ../../bin/tavo </dev/null)
echo "report: $run/relatorio.txt (code page 1252)"
iconv -f CP1252 -t UTF-8 "$run"/relatorio.txt

#!/bin/sh
# Installs the packages Tavo builds and tests with, when any is missing.
set -eu
packages="
  g++ cmake ninja-build libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-svg-dev libqt6opengl6-dev libpng-dev
  libcli11-dev nlohmann-json3-dev libboost-math-dev libcsv-dev libfast-float-dev libtbb-dev
  xvfb xauth fonts-liberation clang libclang-rt-14-dev
  libxml2-utils dpkg-dev file
  libkainjow-mustache-dev libxlsxwriter-dev libssl-dev chromium unzip
"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "setup: installing$missing"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

# The HTML report's validator (tests/e2e/documents_test.cpp), from the npm registry: Node.js
# and npm from Debian unless the machine has them already.
if ! command -v npm >/dev/null 2>&1; then
  echo "setup: installing nodejs npm"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends nodejs npm >/dev/null
fi
html_validate=9.7.1  # the last line for Node.js 18 (Debian 12's)
if [ "$(html-validate --version 2>/dev/null)" != "html-validate-$html_validate" ]; then
  echo "setup: installing html-validate $html_validate"
  $sudo npm install --global --no-fund --no-audit --loglevel=error "html-validate@$html_validate" >/dev/null
fi

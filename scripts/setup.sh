#!/bin/sh
# Installs the Debian packages Tavo builds and tests with, when any is missing.
set -eu
packages="
  g++ cmake ninja-build libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-svg-dev libqt6opengl6-dev zlib1g-dev
  libcli11-dev nlohmann-json3-dev libboost-math-dev libcsv-dev libfast-float-dev libtbb-dev
  xvfb xauth fonts-liberation clang libclang-rt-14-dev
  libxml2-utils dpkg-dev file
"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "setup: installing$missing"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

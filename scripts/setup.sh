#!/usr/bin/env bash
# Installs what the builds and tests need, when it is missing: the native toolchain and test
# libraries, the MinGW-w64 cross compiler, Wine (32-bit), a virtual X display and fonts.
set -eu
packages="cmake make g++ googletest libgtest-dev libgmock-dev libbenchmark-dev g++-mingw-w64-i686 wine wine32:i386 xvfb xauth x11-utils imagemagick xdotool fonts-liberation python3-pil ntfs-3g fuse3 sleuthkit clang-14 libclang-rt-14-dev wine64 g++-mingw-w64-x86-64-posix libcli11-dev nlohmann-json3-dev libssl-dev libstb-dev"
missing=""
for p in $packages; do
  dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  export DEBIAN_FRONTEND=noninteractive
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -q
  apt-get install -y -q --no-install-recommends $missing
fi

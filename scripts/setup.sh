#!/usr/bin/env bash
# Installs what the builds and tests need, when it is missing: the native toolchain and test
# libraries, the MinGW-w64 cross compiler, Wine (32-bit), a virtual X display and fonts; the evidence
# container libraries (libewf, libvhdi, libvmdk) and the tools that make containers for the tests
# (ewfacquire, qemu-img), and a deb-src entry so that the builds can fetch the same libraries' sources
# (scripts/build-libyal.sh builds them, once, into each build folder, with the mends it keeps).
set -eu
packages="cmake make g++ googletest libgtest-dev libgmock-dev libbenchmark-dev g++-mingw-w64-i686 wine wine32:i386 xvfb xauth x11-utils imagemagick xdotool fonts-liberation python3-pil ntfs-3g fuse3 sleuthkit clang-14 libclang-rt-14-dev wine64 g++-mingw-w64-x86-64-posix libcli11-dev nlohmann-json3-dev libssl-dev libstb-dev pkg-config patch zlib1g-dev libewf-dev libvhdi-dev libvmdk-dev ewf-tools qemu-utils libz-mingw-w64-dev"
# Source packages come from the same archive as the binary ones: the deb entries, as deb-src.
sources_added=0
deb_src=/etc/apt/sources.list.d/ombrolux-deb-src.sources
deb_src_list=/etc/apt/sources.list.d/ombrolux-deb-src.list
if ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$deb_src"
  elif [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >"$deb_src_list"
  fi
  sources_added=1
fi
missing=""
for p in $packages; do
  dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
if [ -z "$missing" ] && [ "$sources_added" = 1 ]; then
  apt-get update -q
fi
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  export DEBIAN_FRONTEND=noninteractive
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -q
  apt-get install -y -q --no-install-recommends $missing
fi

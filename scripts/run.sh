#!/usr/bin/env bash
# Builds the Windows program and starts it under Wine (in a virtual X display when none is set).
# On a machine that runs no 32-bit x86 code, the 64-bit build of the same sources is started.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
. scripts/wine-env.sh
preset=win32
[ "$KW_WINE64" = 1 ] && preset=win64
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
exec scripts/wine-run.sh "build/$preset/src/app/ADSOmbrolux.exe"

#!/usr/bin/env bash
# Builds the Windows program and starts it under Wine (in a virtual X display when none is set).
# Until the main window exists, this starts the Windows test executable instead.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$(nproc)"
if [ -f build/win32/src/app/ADSOmbrolux.exe ]; then
  exec scripts/wine-run.sh build/win32/src/app/ADSOmbrolux.exe
fi
echo "The main window is not built yet: running the Windows test executable instead."
exec scripts/wine-run.sh build/win32/tests/test_win32.exe

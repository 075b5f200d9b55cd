#!/usr/bin/env bash
# Builds both targets and runs every test: the native tests (with sanitizers), then the Windows
# tests under Wine. Exits non-zero when anything fails.
set -u
cd "$(dirname "$0")/.."
scripts/setup.sh || exit 1
jobs=$(nproc)
status=0
step() { echo "== $*"; "$@" || status=1; }

if cmake --preset native >/dev/null && cmake --build --preset native -j "$jobs"; then
  step ctest --preset native
  step scripts/fuzz.sh --smoke
else
  echo "native build failed"; status=1
fi
if cmake --preset win32 >/dev/null && cmake --build --preset win32 -j "$jobs"; then
  step ctest --preset win32 --timeout 900
  step tests/gui/run_gui_tests.sh build/win32
  step tests/gui/run_stream_gui_tests.sh build/win32
else
  echo "Windows build failed"; status=1
fi
[ "$status" -eq 0 ] && echo "All tests passed." || echo "Some tests FAILED."
exit "$status"

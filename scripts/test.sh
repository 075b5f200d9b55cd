#!/usr/bin/env bash
# Builds both targets and runs every test: the native tests (with sanitizers), then the Windows
# tests under Wine. Exits non-zero when anything fails.
set -u
cd "$(dirname "$0")/.."
scripts/setup.sh || exit 1
jobs=$(nproc)
status=0
step() { echo "== $*"; "$@" || status=1; }

# The Windows builds' container libraries (scripts/build-libyal.sh, run again by their configure, which
# then finds them built) are made in the background meanwhile: the native tests leave a core free.
. scripts/wine-env.sh
mkdir -p build
libyal_builds=""
for target in i686:win32 x86_64:win64; do
  arch=${target%%:*} preset=${target##*:}
  [ "$preset" = win64 ] && [ "$KW_WINE64" != 1 ] && continue
  nice scripts/build-libyal.sh "$arch-w64-mingw32" "build/$preset/libyal/$arch" >"build/libyal-$arch.log" 2>&1 &
  libyal_builds="$libyal_builds $!"
done

native_built=0
if cmake --preset native >/dev/null && cmake --build --preset native -j "$jobs"; then
  native_built=1
  step ctest --preset native
  step scripts/fuzz.sh --smoke
else
  echo "native build failed"; status=1
fi
for pid in $libyal_builds; do wait "$pid" || true; done # a failed one is built again, and named, by configure
# The Windows tests run the 32-bit program under Wine. On a machine that runs no 32-bit x86 code
# they run on the 64-bit build of the same sources instead, and the 32-bit programs are only built.
windows=win32
if [ "$KW_WINE64" = 1 ]; then
  echo "This machine runs no 32-bit x86 code (its kernel has no IA-32 emulation): the 32-bit programs are"
  echo "built, and the Windows tests run on the 64-bit build of the same sources under wine64."
  if cmake --preset win32 >/dev/null &&
    cmake --build --preset win32 -j "$jobs" --target ADSOmbrolux ADSOmbroluxStoreDemo ombrolux; then
    echo "== the 32-bit programs are built"
  else
    echo "32-bit Windows build failed"; status=1
  fi
  windows=win64
fi
if cmake --preset "$windows" >/dev/null && cmake --build --preset "$windows" -j "$jobs"; then
  step ctest --preset "$windows" --timeout 900
  if [ "$native_built" = 1 ]; then
    step scripts/raw-volume-test.sh build/native "build/$windows"
    step tests/cli/run_wine_ombrolux.sh build/native "build/$windows"
    step tests/cli/run_deep_volume_test.sh "build/$windows"
  fi
  step tests/gui/run_gui_tests.sh "build/$windows"
  step tests/gui/run_stream_gui_tests.sh "build/$windows"
  step tests/gui/run_dpi_gui_tests.sh "build/$windows"
  step tests/gui/run_export_gui_test.sh "build/$windows"
  step tests/gui/run_accessibility_gui_test.sh "build/$windows"
  step tests/gui/run_keyboard_gui_test.sh "build/$windows"
  step tests/gui/run_direct_scan_gui_test.sh "build/$windows"
else
  echo "Windows build ($windows) failed"; status=1
fi
# The 32-bit programs are large-address aware and carry no symbol table.
step python3 tests/win32/check_pe_flags.py build/win32/src/app/ADSOmbrolux.exe \
  build/win32/src/app/ADSOmbroluxStoreDemo.exe build/win32/src/app/ombrolux.exe
[ "$status" -eq 0 ] && echo "All tests passed." || echo "Some tests FAILED."
exit "$status"

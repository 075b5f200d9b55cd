#!/usr/bin/env bash
# The load run (native, optimised; not part of the test command): a full-system scan of 1,000,000
# files with 100,000 streams reported to the real main window on the headless toolkit. Prints the
# time, the peak memory and the longest time the UI thread was busy in one step of each kind.
set -eu
cd "$(dirname "$0")/.."
build=${KW_LOAD_BUILD:-build/bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKW_BENCH=ON >/dev/null
cmake --build "$build" --target load_scan -j "${KW_JOBS:-$(nproc)}"
"$build/bench/load_scan"

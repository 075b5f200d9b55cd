#!/usr/bin/env bash
# Builds the benchmarks (native, optimised) and runs each; every one prints its ratio to a baseline
# measured in the same run. Extra arguments go to every benchmark (for example --benchmark_filter=).
set -eu
cd "$(dirname "$0")/.."
cmake --preset bench >/dev/null
cmake --build --preset bench --target benchmarks -j 2
for benchmark in build/bench/bench/bench_*; do
  [ -x "$benchmark" ] || continue
  echo "== $(basename "$benchmark")"
  "$benchmark" "$@"
done

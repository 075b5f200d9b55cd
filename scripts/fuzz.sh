#!/usr/bin/env bash
# Builds the libFuzzer targets with clang 14 (address and undefined-behaviour sanitizers) and runs
# each for a fixed time from its seed corpus in fuzz/corpus/<target>.
#   scripts/fuzz.sh [seconds]   the long run, 60 s per target by default; not part of CI's pass/fail
#   scripts/fuzz.sh --smoke     a few seconds per target; part of scripts/test.sh
# A failing input is left in <build>/artifacts/; keep it in fuzz/regressions/<target>/ with the mend,
# where tests/robust/FuzzRegressionTest.cpp replays it.
set -u
cd "$(dirname "$0")/.."
seconds=60
if [ "${1:-}" = "--smoke" ]; then
  seconds=5
elif [ -n "${1:-}" ]; then
  seconds=$1
fi
build=${KW_FUZZ_BUILD:-build/fuzz}
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g -O1"
mkdir -p "$build"
cmake -S . -B "$build" -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" -DKW_FUZZ=ON >"$build/configure.log" 2>&1 || {
  cat "$build/configure.log"; echo "fuzz configure failed"; exit 1; }
cmake --build "$build" --target fuzzers -j "${KW_JOBS:-$(nproc)}" >"$build/build.log" 2>&1 || {
  tail -n 40 "$build/build.log"; echo "fuzz build failed"; exit 1; }
mkdir -p "$build/artifacts"
status=0
for target in backup_walk stream_names unique_name preview ntfs_volume partition_table classifier containers; do
  work=$(mktemp -d)
  log="$build/artifacts/fuzz_$target.log"
  "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/fuzz_$target-" "$work" "fuzz/corpus/$target" >"$log" 2>&1
  result=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  found=$(sed -n 's/^stat::new_units_added: *//p' "$log")
  if [ "$result" -eq 0 ]; then
    echo "fuzz_$target: ${runs:-?} executions in $seconds s, ${found:-0} new inputs, no failure"
  else
    echo "fuzz_$target: FAILED"; tail -n 40 "$log"; status=1
  fi
  rm -rf "$work"
done
exit $status

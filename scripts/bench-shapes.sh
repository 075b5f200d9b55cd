#!/usr/bin/env bash
# The console tool on two shapes that once cost the reader the square of their size, in one run, warm
# page cache (each command run once untimed first), the best of three timed runs of each:
#   20,000 files in one folder whose names differ only in case, each with a stream: ombrolux scan
#   --format jsonl against The Sleuth Kit's fls -r -p;
#   one file with 1,000 streams against 1,000 files with one stream each (the same volume, chosen by
#   the wildcard): ombrolux scan --format jsonl, then with --hash.
# The volumes are the NTFS tests' (made once through the ntfs-3g mount, as root, and kept in the
# native build's test-cache); they are made by running those tests when missing.
# Usage: scripts/bench-shapes.sh
set -eu
cd "$(dirname "$0")/.."
cache=build/native/test-cache
cases=$cache/case-variants-20k-v1.img
streams=$cache/many-streams-1k-v1.img
if [ ! -f "$cases" ] || [ ! -f "$streams" ]; then
  CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache cmake --preset native >/dev/null
  cmake --build --preset native --target test_ntfs -j 2 >/dev/null
  build/native/tests/test_ntfs --gtest_filter='CaseVariants.ANameIs*:ManyStreams.AFile*' >/dev/null
fi
[ -f "$cases" ] && [ -f "$streams" ] || { echo "the volumes could not be made (mkntfs and ntfs-3g, as root)"; exit 1; }
cmake --preset bench >/dev/null
cmake --build --preset bench --target ombrolux -j 2 >/dev/null
ombrolux=build/bench/src/app/ombrolux
command -v fls >/dev/null || { echo "fls (The Sleuth Kit) is not installed"; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Best elapsed seconds of three runs.
measure() {
  local name=$1; shift
  "$@" >"$out/$name.out" 2>/dev/null
  local best=
  for _ in 1 2 3; do
    local start end s
    start=$(date +%s.%N)
    "$@" >"$out/$name.out" 2>/dev/null
    end=$(date +%s.%N)
    s=$(echo "$end - $start" | bc -l)
    if [ -z "$best" ] || awk "BEGIN { exit !($s < $best) }"; then best=$s; fi
  done
  printf '%-30s %8.3f s  %6d lines\n' "$name" "$best" "$(wc -l <"$out/$name.out")"
  eval "time_$name=$best"
}

ratio() { echo "$1 / $2" | bc -l | cut -c1-5; }

measure fls_cases fls -r -p "$cases"
measure scan_cases "$ombrolux" scan "$cases" --format jsonl
measure scan_one_file "$ombrolux" scan "$streams" --no-recurse --wildcard many.bin --format jsonl
measure scan_files "$ombrolux" scan "$streams" --wildcard 'f*.bin' --format jsonl
measure hash_one_file "$ombrolux" scan "$streams" --no-recurse --wildcard many.bin --format jsonl --hash
measure hash_files "$ombrolux" scan "$streams" --wildcard 'f*.bin' --format jsonl --hash
echo "case variants, ombrolux scan / fls -r -p:               $(ratio "$time_scan_cases" "$time_fls_cases")"
echo "1,000 streams of one file / 1,000 files, scan:          $(ratio "$time_scan_one_file" "$time_scan_files")"
echo "1,000 streams of one file / 1,000 files, scan --hash:   $(ratio "$time_hash_one_file" "$time_hash_files")"

#!/usr/bin/env bash
# The console tool on the benchmark volume (200,000 files, 1% with a named stream; made by bench_ntfs
# once and kept in build/bench/ntfs-bench), in one run, warm page cache (each command run once
# untimed first), the best of three timed runs of each:
#   ombrolux scan --format jsonl (every stream's full record written) against The Sleuth Kit's
#   fls -r -p (every path listed); ombrolux scan --hash (every stream's bytes read and hashed) against
#   the same scan without it; the peak memory of each (/usr/bin/time -v).
# Usage: scripts/bench-cli.sh [IMAGE]
set -eu
cd "$(dirname "$0")/.."
image=${1:-build/bench/ntfs-bench/volume-200k.img}
if [ ! -f "$image" ]; then
  cmake --preset bench >/dev/null
  cmake --build --preset bench --target bench_ntfs -j 2
  build/bench/bench/bench_ntfs --benchmark_filter=BM_Open --benchmark_min_time=0.01 >/dev/null
fi
cmake --preset bench >/dev/null
cmake --build --preset bench --target ombrolux -j 2 >/dev/null
ombrolux=build/bench/src/app/ombrolux
command -v fls >/dev/null || { echo "fls (The Sleuth Kit) is not installed"; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Best elapsed seconds of three runs, and the peak resident memory (KiB) of the last.
measure() {
  local name=$1; shift
  "$@" >"$out/$name.out" 2>/dev/null
  local best=
  for _ in 1 2 3; do
    /usr/bin/time -v -o "$out/$name.time" "$@" >"$out/$name.out" 2>/dev/null
    local s
    s=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); t = 0; for (i = 1; i <= n; i++) t = t * 60 + p[i]; print t }' "$out/$name.time")
    if [ -z "$best" ] || awk "BEGIN { exit !($s < $best) }"; then best=$s; fi
  done
  local peak
  peak=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$out/$name.time")
  printf '%-28s %8.2f s  peak %7.1f MiB  %9d lines\n' "$name" "$best" "$(echo "$peak / 1024" | bc -l)" "$(wc -l <"$out/$name.out")"
  eval "time_$name=$best"
}

echo "Volume: $image ($(du -h "$image" | cut -f1))"
measure fls fls -r -p "$image"
measure scan_jsonl "$ombrolux" scan "$image" --format jsonl
measure scan_jsonl_hash "$ombrolux" scan "$image" --format jsonl --hash
echo "streams listed by ombrolux: $(wc -l <"$out/scan_jsonl_hash.out")"
echo "fls -r -p / ombrolux scan --format jsonl:             $(echo "$time_fls / $time_scan_jsonl" | bc -l | cut -c1-5)"
echo "ombrolux scan --hash / ombrolux scan (no hash):         $(echo "$time_scan_jsonl_hash / $time_scan_jsonl" | bc -l | cut -c1-5)"

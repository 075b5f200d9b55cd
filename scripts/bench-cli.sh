#!/usr/bin/env bash
# The console tool on a benchmark volume, in one run, warm page cache (each command run once untimed
# first), three rounds interleaved (each command once per round, so that the load of a shared machine
# falls on all alike), the best of the three of each for elapsed and for CPU time (user + system), and
# the peak resident memory of each (/usr/bin/time %M):
#   ombrolux scan --format jsonl (every stream's full record written) against The Sleuth Kit's
#   fls -r -p (every path listed); ombrolux scan --hash (every stream's bytes read and hashed) against
#   the same scan without it.
# The volumes: 200,000 files, 1% with a named stream (made by bench_ntfs once and kept in
# build/bench/ntfs-bench/volume-200k.img), or with --1m the million-file volume of
# scripts/make-1m-volume.sh (made once, a few minutes, kept beside it).
# Usage: scripts/bench-cli.sh [--1m | IMAGE]
set -eu
cd "$(dirname "$0")/.."
image=${1:-build/bench/ntfs-bench/volume-200k.img}
if [ "$image" = "--1m" ]; then
  image=$(scripts/make-1m-volume.sh)
elif [ ! -f "$image" ]; then
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

names=(fls scan_jsonl scan_jsonl_hash)
# The command of a name, in the array cmd.
commandOf() {
  case $1 in
  fls) cmd=(fls -r -p "$image") ;;
  scan_jsonl) cmd=("$ombrolux" scan "$image" --format jsonl) ;;
  scan_jsonl_hash) cmd=("$ombrolux" scan "$image" --format jsonl --hash) ;;
  esac
}

echo "Volume: $image ($(du -h "$image" | cut -f1))"
for name in "${names[@]}"; do
  commandOf "$name"
  "${cmd[@]}" >"$out/$name.out" 2>/dev/null
done
declare -A elapsed cpu peak
for _ in 1 2 3; do
  for name in "${names[@]}"; do
    commandOf "$name"
    /usr/bin/time -f '%e %U %S %M' -o "$out/$name.time" "${cmd[@]}" >"$out/$name.out" 2>/dev/null
    read -r e u s m <"$out/$name.time"
    c=$(echo "$u + $s" | bc -l)
    if [ -z "${elapsed[$name]:-}" ] || awk "BEGIN { exit !($e < ${elapsed[$name]}) }"; then elapsed[$name]=$e; fi
    if [ -z "${cpu[$name]:-}" ] || awk "BEGIN { exit !($c < ${cpu[$name]}) }"; then cpu[$name]=$c; fi
    if [ -z "${peak[$name]:-}" ] || [ "$m" -gt "${peak[$name]}" ]; then peak[$name]=$m; fi
  done
done
for name in "${names[@]}"; do
  printf '%-18s %7.2f s elapsed  %7.2f s CPU  peak %7.1f MiB  %9d lines\n' "$name" "${elapsed[$name]}" \
    "${cpu[$name]}" "$(echo "${peak[$name]} / 1024" | bc -l)" "$(wc -l <"$out/$name.out")"
done
echo "streams listed by ombrolux: $(wc -l <"$out/scan_jsonl_hash.out")"
ratio() { echo "$1 / $2" | bc -l | cut -c1-5; }
echo "fls -r -p / ombrolux scan --format jsonl:      elapsed $(ratio "${elapsed[fls]}" "${elapsed[scan_jsonl]}"), CPU $(ratio "${cpu[fls]}" "${cpu[scan_jsonl]}")"
echo "ombrolux scan --hash / ombrolux scan (no hash): elapsed $(ratio "${elapsed[scan_jsonl_hash]}" "${elapsed[scan_jsonl]}"), CPU $(ratio "${cpu[scan_jsonl_hash]}" "${cpu[scan_jsonl]}")"

#!/usr/bin/env bash
# ombrolux.exe under Wine on an NTFS volume nested 6,000 folders deep (a path of 12,000 characters),
# with a stream at the top and one at the bottom: the scan thread's stack (2 MiB under MinGW) must not
# grow with the depth, so both are listed and the run ends with exit 0. Prints the run's time and peak
# memory. The volume is written through lowntfs-3g (as root; skipped with the reason where FUSE or
# ntfs-3g is not available).
# Usage: tests/cli/run_deep_volume_test.sh WINDOWS_BUILD
set -u
here=$(cd "$(dirname "$0")/../.." && pwd)
exe="$here/${1:-build/win64}/src/app/ombrolux.exe"
depth=6000
[ -f "$exe" ] || { echo "missing $exe (build it first)"; exit 1; }
for tool in mkntfs lowntfs-3g fusermount3; do
  command -v "$tool" >/dev/null || PATH="$PATH:/usr/sbin:/sbin"
  command -v "$tool" >/dev/null || { echo "skip the deep volume: $tool is not installed"; exit 0; }
done
[ "$(id -u)" = 0 ] && [ -e /dev/fuse ] || { echo "skip the deep volume: mounting with FUSE needs root and /dev/fuse"; exit 0; }
work=$(mktemp -d /tmp/ombrolux-deep.XXXXXX)
trap 'fusermount3 -u "$work/mnt" 2>/dev/null; rm -rf "$work"' EXIT
img="$work/deep.img"
truncate -s 64M "$img"
mkntfs -F -f -q -L deep "$img" >/dev/null 2>&1 || { echo "FAIL mkntfs"; exit 1; }
mkdir "$work/mnt"
if ! lowntfs-3g -o streams_interface=xattr "$img" "$work/mnt" 2>"$work/mount.err"; then
  echo "skip the deep volume: lowntfs-3g cannot mount here: $(cat "$work/mount.err")"
  exit 0
fi
# Made through folder handles: the whole path is longer than any path Linux takes at once.
python3 - "$work/mnt" "$depth" <<'PY' || { echo "FAIL the deep volume could not be written"; exit 1; }
import os, sys
fd = os.open(sys.argv[1], os.O_DIRECTORY)
def write(fd, name, data, stream):
    f = os.open(name, os.O_CREAT | os.O_WRONLY, 0o644, dir_fd=fd)
    os.write(f, data)
    os.setxattr(f, "user.s", stream)
    os.close(f)
write(fd, "top.txt", b"t", b"top stream")
for _ in range(int(sys.argv[2])):
    os.mkdir("d", dir_fd=fd)
    inner = os.open("d", os.O_DIRECTORY, dir_fd=fd)
    os.close(fd)
    fd = inner
write(fd, "bottom.txt", b"b", b"the bottom's stream")
os.close(fd)
PY
fusermount3 -u "$work/mnt"
# The driver writes everything back before it ends.
for _ in $(seq 100); do pgrep -f "lowntfs-3g.*$img" >/dev/null || break; sleep 0.1; done

# A scan thread whose stack overflows ends in Wine's debugger, which waits: the run is bounded.
(cd "$work" && /usr/bin/time -f "%e %M" -o "$work/time" timeout 900 "$here/scripts/wine-run.sh" "$exe" scan \
  deep.img --format jsonl) >"$work/deep.jsonl" 2>"$work/deep.err"
code=$?
read -r seconds peak <"$work/time" || true
echo "ombrolux.exe on a volume $depth folders deep: ${seconds:-?} s, peak ${peak:-?} KB (the Wine process)"
python3 - "$work/deep.jsonl" "$depth" "$code" <<'PY'
import json, sys
records = [json.loads(line) for line in open(sys.argv[1], encoding="utf-8")]
depth, code = int(sys.argv[2]), int(sys.argv[3])
found = sorted((r["full_path"], r["size"]) for r in records)
expected = sorted([("\\top.txt:s", 10), ("\\d" * depth + "\\bottom.txt:s", 19)])
if code != 0 or found != expected:
    print(f"FAIL exit {code}, {len(records)} records: {[(p[-40:], s) for p, s in found]}")
    sys.exit(1)
print("ok   both streams listed, the bottom one", depth, "folders down, exit 0")
PY

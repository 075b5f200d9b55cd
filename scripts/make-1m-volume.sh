#!/usr/bin/env bash
# Makes the million-file benchmark volume once and keeps it in build/bench/ntfs-bench/volume-1m.img:
# 1,000 folders (tree\groupNNN\folderNN) of 1,000 files each holding "data", every hundredth file with
# the named stream "payload" ("hidden bytes"), the same shapes as the 200,000-file volume bench_ntfs
# makes. Written through the ntfs-3g mount (root and FUSE needed), a few minutes; the image gets its
# name only when it is complete. Prints the image's path.
#   scripts/make-1m-volume.sh [IMAGE]
set -eu
cd "$(dirname "$0")/.."
image=${1:-build/bench/ntfs-bench/volume-1m.img}
if [ -f "$image" ]; then
  echo "$image"
  exit 0
fi
for tool in mkntfs ntfs-3g python3; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 1; }
done
mkdir -p "$(dirname "$image")"
partial=$image.partial
mountPoint=$(mktemp -d)
trap 'umount "$mountPoint" 2>/dev/null || true; rmdir "$mountPoint"; rm -f "$partial"' EXIT
rm -f "$partial"
truncate -s 3G "$partial"
mkntfs -F -f -q -L Bench1M "$partial" >/dev/null 2>&1
ntfs-3g -o streams_interface=windows,big_writes "$partial" "$mountPoint"
echo "Writing 1,000,000 files through the ntfs-3g mount (once; kept as $image)..." >&2
python3 - "$mountPoint" <<'EOF'
import os
import sys

root = sys.argv[1]
number = 0
for group in range(100):
    for folder in range(10):
        path = os.path.join(root, "tree", f"group{group:03d}", f"folder{folder:02d}")
        os.makedirs(path)
        for file in range(1000):
            name = os.path.join(path, f"file{file:04d}.dat")
            fd = os.open(name, os.O_WRONLY | os.O_CREAT, 0o644)
            os.write(fd, b"data")
            os.close(fd)
            number += 1
            if number % 100 == 0:
                fd = os.open(name + ":payload", os.O_WRONLY | os.O_CREAT, 0o644)
                os.write(fd, b"hidden bytes")
                os.close(fd)
EOF
umount "$mountPoint"
mv "$partial" "$image"
echo "$image"

#!/usr/bin/env bash
# ombrolux.exe under Wine, run as a user runs it: on a real folder (Wine has no alternate streams, so
# the walk finds none: a valid empty CSV and JSON Lines, exit 0), on an NTFS image file (the same
# records as the native binary's, from the raw image and from its E01, VHDX, VHD, VMDK and split
# containers), and delete on a real file (a missing stream fails cleanly, a
# file's main data is refused and stays).
# Usage: tests/cli/run_wine_ombrolux.sh NATIVE_BUILD WINDOWS_BUILD
set -u
here=$(cd "$(dirname "$0")/../.." && pwd)
native="$here/${1:-build/native}/src/app/ombrolux"
exe="$here/${2:-build/win64}/src/app/ombrolux.exe"
for f in "$native" "$exe"; do
  [ -x "$f" ] || [ -f "$f" ] || { echo "missing $f (build it first)"; exit 1; }
done
work=$(mktemp -d /tmp/ombrolux-wine.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
check() { # description, then a command that must succeed
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
wine_run() { "$here/scripts/wine-run.sh" "$exe" "$@"; }
winpath() { echo "Z:${1//\//\\}"; }

# A real folder with files and a subfolder.
mkdir -p "$work/tree/sub"
echo one > "$work/tree/a.txt"
echo two > "$work/tree/sub/b, c.txt"
wine_run scan "$(winpath "$work/tree")" --format csv >"$work/tree.csv" 2>"$work/tree.err"
check "folder walk, CSV: exit 0" [ $? -eq 0 ]
check "folder walk, CSV: no error of ombrolux's" test -z "$(grep '^ombrolux:' "$work/tree.err")"
check "folder walk, CSV: a header row and no record" python3 - "$work/tree.csv" <<'PY'
import csv, sys
rows = list(csv.reader(open(sys.argv[1], encoding="utf-8-sig", newline="")))
sys.exit(0 if len(rows) == 1 and rows[0][:4] == ["source", "file_path", "stream_name", "full_path"] else 1)
PY
wine_run scan "$(winpath "$work/tree")" --format jsonl --output "$(winpath "$work/tree.jsonl")" 2>"$work/tree.err"
check "folder walk, JSON Lines: exit 0" [ $? -eq 0 ]
check "folder walk, JSON Lines: an empty file written" [ -f "$work/tree.jsonl" ] && [ ! -s "$work/tree.jsonl" ]

# An NTFS image with streams: the Windows exe reads it as the native binary does.
if command -v mkntfs >/dev/null && command -v ntfscp >/dev/null; then
  img="$work/volume.img"
  truncate -s 16M "$img"
  mkntfs -F -f -q -L wine "$img" >/dev/null 2>&1
  printf '[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=https://a.test/s.exe\r\n' > "$work/mark"
  head -c 300000 /dev/urandom > "$work/payload"
  ntfscp -f "$img" "$work/tree/a.txt" "setup.exe" >/dev/null &&
    ntfscp -f -N Zone.Identifier "$img" "$work/mark" "setup.exe" >/dev/null &&
    ntfscp -f -N payload "$img" "$work/payload" "setup.exe" >/dev/null &&
    ntfscp -f "$img" "$work/tree/a.txt" "notes, q.txt" >/dev/null &&
    ntfscp -f -N "smile 😀" "$img" "$work/mark" "notes, q.txt" >/dev/null
  check "image made with mkntfs and ntfscp" [ $? -eq 0 ]
  "$native" scan "$img" --include-zone --hash --preview 16 --format jsonl >"$work/native.jsonl"
  check "image, native: exit 0" [ $? -eq 0 ]
  (cd "$work" && wine_run scan volume.img --include-zone --hash --preview 16 --format jsonl) \
    >"$work/wine.jsonl" 2>"$work/wine.err"
  check "image, Windows exe: exit 0" [ $? -eq 0 ]
  check "image: the same records (every field but the target's name), streams found" \
    python3 - "$work/native.jsonl" "$work/wine.jsonl" <<'PY'
import json, sys
def records(path):
    out = []
    for line in open(path, encoding="utf-8"):
        r = json.loads(line)
        r.pop("source")
        out.append(r)
    return out
a, b = records(sys.argv[1]), records(sys.argv[2])
if a != b or len(a) != 3:
    print("native:", a, "\nwine:", b)
    sys.exit(1)
PY
  # The same volume in the containers responders receive: the Windows exe reads each through the
  # libraries linked into it as the native binary reads the raw image.
  if command -v ewfacquire >/dev/null && command -v qemu-img >/dev/null; then
    mkdir -p "$work/c"
    ewfacquire -u -q -c none -S 4MiB -C case-9 -t "$work/c/evidence" "$img" >/dev/null 2>&1 &&
      qemu-img convert -O vhdx "$img" "$work/c/disk.vhdx" && qemu-img convert -O vpc "$img" "$work/c/disk.vhd" &&
      qemu-img convert -O vmdk -o subformat=twoGbMaxExtentSparse "$img" "$work/c/disk.vmdk" &&
      (cd "$work/c" && split -b 5M -d -a 3 --numeric-suffixes=1 "$img" split.)
    check "containers made with ewfacquire, qemu-img and split" [ $? -eq 0 ]
    for container in evidence.E01 disk.vhdx disk.vhd disk.vmdk split.001; do
      (cd "$work/c" && wine_run scan "$container" --include-zone --hash --preview 16 --format jsonl) \
        >"$work/c.jsonl" 2>"$work/c.err"
      check "$container, Windows exe: exit 0" [ $? -eq 0 ]
      check "$container: the records of the raw image" python3 - "$work/native.jsonl" "$work/c.jsonl" <<'PY'
import json, sys
def records(path):
    return [dict(json.loads(line), source=None) for line in open(path, encoding="utf-8")]
sys.exit(0 if records(sys.argv[1]) == records(sys.argv[2]) else 1)
PY
    done
    # A path written with '/' as Windows allows: each library is handed it with '\'.
    for container in evidence.E01 disk.vhdx disk.vmdk; do
      wine_run scan "Z:$work/c/$container" --format jsonl >"$work/c.jsonl" 2>"$work/c.err"
      check "Z:$work/c/$container, with forward slashes: exit 0 and its streams" \
        [ $? -eq 0 ] && [ -s "$work/c.jsonl" ]
    done
    (cd "$work/c" && wine_run info evidence.E01 --format json) >"$work/info.json" 2>/dev/null
    check "info evidence.E01: EWF, its segments and case number" python3 - "$work/info.json" <<'PY'
import json, sys
i = json.load(open(sys.argv[1], encoding="utf-8"))
sys.exit(0 if i["format"].startswith("EWF") and len(i["segments"]) >= 4 and i["notes"]["case number"] == "case-9" else 1)
PY
    rm "$work/c/evidence.E02"
    (cd "$work/c" && wine_run scan evidence.E01) >/dev/null 2>"$work/c.err"
    check "E01 with a segment missing: exit 1" [ $? -eq 1 ]
    check "E01 with a segment missing: named" grep -q 'evidence.E02 is missing: the image has' "$work/c.err"
  else
    echo "skip container cases: ewfacquire or qemu-img is not installed"
  fi
  (cd "$work" && wine_run cat 'volume.img\setup.exe:payload') >"$work/payload.wine" 2>/dev/null
  check "image: cat writes the stream's bytes unchanged" cmp -s "$work/payload" "$work/payload.wine"
  before=$(sha256sum <"$img")
  (cd "$work" && wine_run delete --yes 'volume.img\setup.exe:payload') >/dev/null 2>"$work/del.err"
  check "image: delete refused with exit 1" [ $? -eq 1 ]
  check "image: the reason named" grep -q 'in a disk image, which ombrolux only reads' "$work/del.err"
  check "image: left as it was" [ "$(sha256sum <"$img")" = "$before" ]
  # The report is never written over the image, whatever path names it (by volume serial and file index).
  for output in volume.img "$(winpath "$img")"; do
    (cd "$work" && wine_run scan volume.img --output "$output" --force) >/dev/null 2>"$work/out.err"
    check "image: --output $output refused with exit 2" [ $? -eq 2 ]
    check "image: --output $output, the reason named" grep -q 'which is being read' "$work/out.err"
  done
  check "image: left as it was after --output" [ "$(sha256sum <"$img")" = "$before" ]
else
  echo "skip image cases: mkntfs or ntfscp is not installed"
fi

# Delete on a real file: Wine has no streams, so the stream is not found; the main data is refused.
wine_run delete --yes "$(winpath "$work/tree/a.txt"):nosuch" >"$work/del.out" 2>"$work/del.err"
check "delete of a missing stream: exit 1" [ $? -eq 1 ]
check "delete of a missing stream: path and reason named" grep -q 'a.txt:nosuch: file not found' "$work/del.err"
wine_run delete --yes "$(winpath "$work/tree/a.txt")" "$(winpath "$work/tree/a.txt")::\$DATA" \
  >"$work/del.out" 2>"$work/del.err"
check "delete of a file's main data: exit 1" [ $? -eq 1 ]
check "delete of a file's main data: refused twice" [ "$(grep -c 'names the file itself' "$work/del.err")" = 2 ]
check "delete of a file's main data: the file stays" [ "$(cat "$work/tree/a.txt")" = one ]
# Standard input from the null device, a character device but no console, and from a pipe.
wine_run delete "$(winpath "$work/tree/a.txt"):x" </dev/null >/dev/null 2>"$work/del.err"
check "delete without --yes, input from the null device: refused with exit 2" [ $? -eq 2 ]
echo y | wine_run delete "$(winpath "$work/tree/a.txt"):x" >/dev/null 2>"$work/del.err"
check "delete without --yes, input from a pipe: refused with exit 2" [ $? -eq 2 ]

[ "$failures" -eq 0 ] && echo "ombrolux.exe under Wine: all cases passed" || echo "ombrolux.exe under Wine: $failures FAILED"
[ "$failures" -eq 0 ]

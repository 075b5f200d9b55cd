#!/usr/bin/env bash
# The Windows build reads a real NTFS volume through a volume handle, as it opens "\\.\C:" on Windows.
# An image made with mkntfs and ntfscp is attached read only to a loop device, which Wine gives as the
# device of a drive through the prefix's dosdevices/<letter>:: link; test_win32's RawVolume case lists
# the volume through "\\.\<letter>:" and compares with the native listing of the same image. losetup
# needs root; where no loop device can be made, the case is run to be skipped with the reason. The loop
# device and the link are removed on every path.
#   scripts/raw-volume-test.sh NATIVE_BUILD WINDOWS_BUILD
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
native=$(cd "${1:?native build folder}" && pwd)
windows=$(cd "${2:?Windows build folder}" && pwd)
export WINEPREFIX="${WINEPREFIX:-$here/build/wineprefix}"
. "$here/scripts/wine-env.sh"

work=$(mktemp -d)
loop=""
link=""
folder_link=""
mounted=""
cleanup() {
  [ -n "$folder_link" ] && rm -f "$folder_link"
  [ -n "$mounted" ] && umount "$mounted"
  [ -n "$link" ] && rm -f "$link"
  [ -n "$loop" ] && losetup -d "$loop"
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP PIPE

run_case() {
  "$here/scripts/wine-run.sh" "$windows/tests/test_win32.exe" --gtest_filter='RawVolume.*' "$@"
}
skip() {
  echo "raw volume: $1"
  KW_RAW_VOLUME_SKIP="$1" run_case
  exit
}

# The volume: streams small enough to stay in their records and large ones in runs of clusters.
image=$work/volume.img
bytes=$((64 << 20))
truncate -s "$bytes" "$image"
mkntfs -F -f -q -L RawVolume "$image" >/dev/null 2>&1 || skip "mkntfs cannot make a volume here"
put() { # file [stream] < bytes
  cat >"$work/part"
  ntfscp -f ${2:+-N "$2"} "$image" "$work/part" "/$1" >/dev/null || skip "ntfscp failed for $1${2:+:$2}"
}
echo -n "main data" | put one.txt
echo -n "one stream" | put one.txt notes
echo -n "" | put empty.txt
head -c 300000 /dev/urandom | put large.bin
head -c 70000 /dev/urandom | put large.bin second
echo -n "marked" | put "name with spaces.txt"
printf '[ZoneTransfer]\r\nZoneId=3\r\n' | put "name with spaces.txt" Zone.Identifier
"$native/tests/list_volume" "$image" >"$work/expected.txt" || exit 1

# Wine sets a prefix up (drive C: among it) only where it finds none: so the prefix is made first.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$here/scripts/wine-run.sh" cmd /c exit >/dev/null 2>&1
fi
[ -d "$WINEPREFIX/dosdevices" ] || skip "the Wine prefix $WINEPREFIX cannot be made"
loop=$(losetup -f --show -r "$image" 2>"$work/losetup.err") ||
  { loop=""; skip "no loop device can be made: $(head -n 1 "$work/losetup.err")"; }
for letter in e f g h i j k l m n o p q r s t u v w x y; do
  if [ ! -e "$WINEPREFIX/dosdevices/$letter::" ] && [ ! -L "$WINEPREFIX/dosdevices/$letter::" ]; then
    link="$WINEPREFIX/dosdevices/$letter::"
    break
  fi
done
[ -n "$link" ] || skip "every drive letter's device link is taken in $WINEPREFIX"
ln -s "$loop" "$link"
drive=$(basename "$link" ::)
status=0
KW_RAW_VOLUME="\\\\.\\${drive^^}:" KW_RAW_VOLUME_BYTES=$bytes \
  KW_RAW_VOLUME_LISTING="Z:${work//\//\\}\\expected.txt" run_case || status=1

# ombrolux.exe scan --direct: the drive is read through its raw volume and lists every stream, its
# bytes' hash, times and attributes, as the native tool lists them from the image. As on Windows, the
# drive is both a device (the <letter>:: link) and a folder tree (the <letter>: link, to the volume
# mounted read only by ntfs-3g), which is what the scan walks to when it must fall back.
direct_step() {
  local ombrolux=$windows/src/app/ombrolux.exe
  [ -f "$ombrolux" ] || { echo "ombrolux --direct: SKIPPED: $ombrolux is not built"; return 0; }
  folder_link="$WINEPREFIX/dosdevices/$drive:"
  if [ -e "$folder_link" ] || [ -L "$folder_link" ]; then
    folder_link=""
    echo "ombrolux --direct: SKIPPED: the drive letter $drive: is taken in $WINEPREFIX"
    return 0
  fi
  mkdir -p "$work/mnt"
  if ! ntfs-3g -o ro,streams_interface=windows "$image" "$work/mnt" 2>"$work/mount.err"; then
    echo "ombrolux --direct: SKIPPED: ntfs-3g cannot mount here: $(head -n 1 "$work/mount.err")"
    folder_link=""
    return 0
  fi
  mounted=$work/mnt
  ln -s "$work/mnt" "$folder_link"
  "$native/src/app/ombrolux" scan "$image" --include-zone --preview 16 --hash --format csv \
    >"$work/native.csv" || return 1
  "$here/scripts/wine-run.sh" "$ombrolux" scan --direct "${drive^^}:" --include-zone --preview 16 --hash \
    --format csv >"$work/direct.csv" 2>"$work/direct.err" || { cat "$work/direct.err"; return 1; }
  python3 - "$work/native.csv" "$work/direct.csv" "${drive^^}:" <<'PY' || return 1
import csv, sys
def rows(path, drive=None):
    with open(path, encoding="utf-8-sig", newline="") as f:
        table = list(csv.DictReader(f))
    out = set()
    for r in table:
        r.pop("source", None)
        for key in ("file_path", "full_path"):
            if drive and r[key].upper().startswith(drive):
                r[key] = r[key][len(drive):]
        out.add(tuple(sorted(r.items())))
    return out
native, direct = rows(sys.argv[1]), rows(sys.argv[2], sys.argv[3])
for r in sorted(native - direct):
    print("listed natively only:", dict(r))
for r in sorted(direct - native):
    print("listed by ombrolux.exe --direct only:", dict(r))
if len(native) < 3 or native != direct:
    sys.exit("ombrolux --direct: FAILED (%d native, %d direct)" % (len(native), len(direct)))
print("ombrolux --direct: %d streams, as the native listing of the image" % len(direct))
PY
}
direct_step || status=1
exit $status

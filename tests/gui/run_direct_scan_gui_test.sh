#!/usr/bin/env bash
# The real program (ADSOmbrolux.exe) under Wine reads a real NTFS drive directly, saves and deletes
# what it found through the Windows file functions, and the volume is checked from Linux afterwards.
# An image made with mkntfs and written through ntfs-3g holds files and a folder with streams. Wine
# sees it as drive E: twice over, as Windows does: E:'s device (dosdevices/e::, a read-only loop
# device of the image: "\\.\E:") and E:'s files (dosdevices/e:, the image mounted by ntfs-3g with
# the Windows stream interface, so that CreateFileW, ReadFile and DeleteFileW on E:\file:stream
# reach the real streams). Wine lists no streams itself: every row comes from the direct read.
# Steps, driven with the pointer in a virtual display:
#   1. Run Scan > Scan Target NTFS Drive > E:, "Read NTFS volumes directly" checked (the dialog's
#      screenshot is kept): every stream of the volume is in the tree (counted from the screen);
#   2. two streams unchecked, Backup Checked into a folder of Z: (the Linux /tmp): exactly the checked
#      streams are written, each with the volume's bytes;
#   3. Delete Checked, confirmed: after unmounting, The Sleuth Kit (fls, icat) finds exactly the
#      unchecked streams left, with their bytes, and every file and folder still there.
# Needs root (losetup, mount), FUSE, ntfs-3g and The Sleuth Kit; skips with the reason otherwise. The
# mount, the loop device, the links, the display and the program are removed on every path.
#   tests/gui/run_direct_scan_gui_test.sh [Windows build folder]
set -u
here=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$here/build/win32}" 2>/dev/null && pwd) || { echo "no such build folder: ${1:-$here/build/win32}"; exit 1; }
out="$build/gui-artefacts"
mkdir -p "$out"
rm -f "$out"/direct-*.png "$out"/direct-*.log
export WINEPREFIX="${WINEPREFIX:-$here/build/wineprefix}"
. "$here/tests/gui/wineprefix.sh"
layout="/usr/bin/python3 $here/tests/gui/stream_layout.py"
choice="/usr/bin/python3 $here/tests/gui/menu_choice.py"
program="$build/src/app/ADSOmbrolux.exe"
probe="$build/tests/gui_probe.exe"
passed=0
failed=0
pass() { echo "PASS: $*"; passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
check() { if "${@:2}"; then pass "$1"; else fail "$1"; fi; }
skip() { echo "direct scan under Wine: SKIPPED: $1"; exit 0; }
for f in "$program" "$probe"; do [ -f "$f" ] || { echo "missing: $f"; exit 1; }; done
for tool in mkntfs ntfs-3g losetup fls icat Xvfb xdotool import; do
  command -v "$tool" >/dev/null 2>&1 || [ -x "/usr/sbin/$tool" ] || skip "$tool is not installed"
done
PATH="$PATH:/usr/sbin"

work=$(mktemp -d /tmp/kwdirect-XXXXXX)
loop=""
mounted=""
links=()
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  wineserver -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  for l in "${links[@]}"; do rm -f "$l"; done
  [ -n "$mounted" ] && umount "$mounted"
  [ -n "$loop" ] && losetup -d "$loop"
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP PIPE

# ---- The volume: files, a folder and a file deep down with streams, one of them in runs of clusters.
image=$work/volume.img
mnt=$work/mnt
mkdir -p "$mnt" "$work/saved"
truncate -s 64M "$image"
mkntfs -F -f -q -L Evidence "$image" >/dev/null 2>&1 || skip "mkntfs cannot make a volume here"
ntfs-3g -o streams_interface=windows "$image" "$mnt" 2>"$work/mount.err" ||
  skip "ntfs-3g cannot mount here: $(head -n 1 "$work/mount.err")"
mounted=$mnt
(
  cd "$mnt" || exit 1
  printf 'keep me' >keep.txt && printf 'kept stream' >keep.txt:keepme
  mkdir -p docs/deep
  printf 'report' >docs/report.txt && printf 'one' >docs/report.txt:s1 && printf 'two two' >docs/report.txt:s2
  printf 'on the folder' >docs:folder-note
  printf 'x' >docs/deep/x.bin && head -c 70000 /dev/urandom >docs/deep/x.bin:large
  printf 'no streams' >plain.txt
) || skip "ntfs-3g cannot write streams here"
cp "$mnt/docs/deep/x.bin:large" "$work/large.expected"
# Unmounted once so that the device holds everything written, then mounted again for the program.
umount "$mnt" && mounted=""
ntfs-3g -o streams_interface=windows "$image" "$mnt" || skip "ntfs-3g cannot mount the volume again"
mounted=$mnt
loop=$(losetup -f --show -r "$image" 2>"$work/losetup.err") ||
  { loop=""; skip "no loop device can be made: $(head -n 1 "$work/losetup.err")"; }

# The display comes before any Wine program: the first one that needs a desktop makes it for every
# later program of the same Wine server, and one made with no display leaves them all without
# windows ("no driver could be loaded"): the program would run unseen.
. "$here/tests/gui/display.sh"
start_display 151 180 1280x1024
# A Wine server still running in the prefix (an earlier script's, its desktop on a display now
# gone) is given time to end by itself, then ended, so that the program starts on a fresh one.
timeout 20 wineserver -w >/dev/null 2>&1 || wineserver -k >/dev/null 2>&1

make_prefix
for l in "$WINEPREFIX/dosdevices/e:" "$WINEPREFIX/dosdevices/e::"; do
  { [ -e "$l" ] || [ -L "$l" ]; } && skip "drive E: is taken in $WINEPREFIX"
done
ln -s "$mnt" "$WINEPREFIX/dosdevices/e:" && links+=("$WINEPREFIX/dosdevices/e:")
ln -s "$loop" "$WINEPREFIX/dosdevices/e::" && links+=("$WINEPREFIX/dosdevices/e::")
frames_by_wine


wait_window() {
  local w=""
  for _ in $(seq 1 "${2:-120}"); do
    w=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
    [ -n "$w" ] && break
    sleep 0.25
  done
  echo "$w"
}
wait_gone() {
  for _ in $(seq 1 40); do
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
    sleep 0.25
  done
  return 1
}
shot() { sleep 1; import -window root "$out/direct-$1.png"; }
shot_rows() { # name, stream rows wanted
  for _ in $(seq 1 30); do
    shot "$1"
    $layout finished "$out/direct-$1.png" && [ "$($layout rows "$out/direct-$1.png")" = "$2" ] && return 0
  done
  return 1
}
# Where a window is on the screen: x y width height.
geometry() {
  xdotool getwindowgeometry "$1" | awk '/Position/ { split($2, p, ","); x = p[1]; y = p[2] }
    /Geometry/ { split($2, g, "x"); print x, y, g[1], g[2] }'
}

# Wine's own errors are kept: they say why a window fails to show.
WINEDEBUG=err+all,fixme-all wine "$program" >"$out/direct-wine.log" 2>&1 &
app_pid=$!
main=$(wait_window "Korvane ADS Ombrolux" 240)
if [ -z "$main" ]; then
  import -window root "$out/direct-no-window.png"
  fail "the program's window shows (direct-no-window.png, direct-wine.log)"
  exit 1
fi
sleep 2
read -r mx my mw _ < <(geometry "$main")
import -window root "$out/direct-idle.png"

# ---- 1. Run Scan (the alert panel's button, at its place in the idle window at its start-up size) >
# Scan Target NTFS Drive > E:. The submenu lists the prefix's drives (C:, E:, Z: and whatever else
# it holds) and opens on either side, its first drive chosen or none: it is walked up from its end
# with the keyboard until the chosen item's text, read from the screen, starts with E:\ (and with no
# other drive's letter), so the scan never starts on another drive.
letters=$(cd "$WINEPREFIX/dosdevices" && ls -d [a-z]: | tr -d : | tr a-z A-Z)
inks=()
for letter in $letters; do
  wine "$probe" render Tahoma 8 normal '#3096FA' "$letter:\\" 2>/dev/null | tr -d '\r' \
    >"$work/drive-$letter.ink"
  inks+=("$letter=$work/drive-$letter.ink")
done
drive_chosen() { # the drive whose item the open submenu has chosen, read from a new screenshot
  import -window root "$out/direct-drive-menu.png"
  $choice "$out/direct-drive-menu.png" "${inks[@]}"
}
dialog=""
for _ in 1 2 3; do
  xdotool mousemove $((mx + 480)) $((my + 147)) click 1
  sleep 1
  xdotool mousemove $((mx + 518)) $((my + 192))
  sleep 1.5
  xdotool key Right
  chosen=""
  for _ in $letters x; do
    sleep 0.4
    xdotool key Up
    sleep 0.4
    chosen=$(drive_chosen)
    [ "$chosen" = E ] && break
  done
  if [ "$chosen" = E ]; then
    xdotool key Return
    dialog=$(wait_window "Setup Scan" 20)
    [ -n "$dialog" ] && break
  fi
  echo "the drive submenu chose ${chosen:-nothing}, not E: (direct-drive-menu.png); trying again"
  xdotool key Escape Escape Escape
  sleep 0.5
done
[ -n "$dialog" ] || { fail "the Setup Scan dialog shows for drive E:"; exit 1; }
read -r dx dy _ _ < <(geometry "$dialog")
xdotool mousemove $((dx + 14)) $((dy + 124)) click 1 # "Read NTFS volumes directly"
sleep 0.5
import -window root "$out/direct-setup-dialog.png"
xdotool key Return
check "the direct scan lists the volume's 5 streams" shot_rows scanned 5
read -r ox oy list_top < <($layout layout "$out/direct-scanned.png")
row_y() { echo $((list_top + 30 + 24 + 17 * $1 + 9)); }
# Rows: 0 keep.txt, 1 keepme, 2 docs, 3 folder-note, 4 report.txt, 5 s1, 6 s2, 7 x.bin, 8 large.

# ---- 2. keepme and s2 unchecked; Backup Checked into Z:.
xdotool mousemove $((ox + 52)) "$(row_y 1)" click 1 # the row's check box
sleep 0.3
xdotool mousemove $((ox + 52)) "$(row_y 6)" click 1
sleep 0.5
xdotool mousemove $((ox + 70)) $((list_top + 14)) click 1
browser=$(wait_window "Browse for Folder")
if [ -n "$browser" ]; then
  read -r bx by _ _ < <(geometry "$browser")
  xdotool mousemove $((bx + 160)) $((by + 190)) click 1
  sleep 0.3
  xdotool key Home
  sleep 0.4
  xdotool type --delay 60 "/"
  for part in $(echo "${work#/}/saved" | tr / ' '); do
    sleep 0.5
    xdotool key Right
    sleep 1.2
    xdotool type --delay 60 "$part"
  done
  sleep 0.8
  xdotool key Return
  wait_gone "Browse for Folder"
fi
sleep 3
saved_as_checked() {
  [ "$(cd "$work/saved" && ls | sort | tr '\n' ' ')" = "folder-note large s1 " ] &&
    [ "$(cat "$work/saved/folder-note")" = "on the folder" ] && [ "$(cat "$work/saved/s1")" = "one" ] &&
    cmp -s "$work/saved/large" "$work/large.expected"
}
check "Backup Checked saves exactly the checked streams, with the volume's bytes" saved_as_checked
shot backed-up

# ---- 3. Delete Checked, confirmed (the toolbar has moved with the alert panel's new text).
read -r ox oy list_top < <($layout layout "$out/direct-backed-up.png")
xdotool mousemove $((ox + 195)) $((list_top + 14)) click 1
question=$(wait_window "Question")
if [ -n "$question" ]; then
  xdotool windowfocus --sync "$question" >/dev/null 2>&1
  sleep 0.3
  xdotool key Return
  wait_gone "Question"
fi
sleep 3
shot deleted
kill "$app_pid" 2>/dev/null
app_pid=""
wineserver -k >/dev/null 2>&1
sleep 1
umount "$mnt" && mounted=""

# Every path:stream The Sleuth Kit finds on the volume, system files left out.
fls -r -p "$image" | sed 's/^[^:]*:\t//' | grep -v '^\$' | sort >"$work/left.txt"
stream_bytes() { # path:stream
  local inode
  inode=$(fls -r -p "$image" | awk -F'\t' -v n="$1" '$2 == n { split($1, a, " "); print a[2] }' | tr -d ':')
  [ -n "$inode" ] && icat "$image" "$inode"
}
deleted_exactly_the_checked() {
  local expected
  expected=$(printf '%s\n' docs docs/deep docs/deep/x.bin docs/report.txt docs/report.txt:s2 keep.txt \
    keep.txt:keepme plain.txt | sort)
  [ "$(cat "$work/left.txt")" = "$expected" ] &&
    [ "$(stream_bytes keep.txt:keepme)" = "kept stream" ] && [ "$(stream_bytes docs/report.txt:s2)" = "two two" ] &&
    [ "$(stream_bytes keep.txt)" = "keep me" ] && [ "$(stream_bytes docs/report.txt)" = "report" ]
}
check "Delete Checked removes exactly the checked streams; files, folders and unchecked streams stay" \
  deleted_exactly_the_checked || { echo "left on the volume:"; cat "$work/left.txt"; }

echo "direct scan under Wine: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

#!/usr/bin/env bash
# The real program (ADSOmbrolux.exe) under Wine reads a real NTFS drive directly, saves and deletes
# what it found through the Windows file functions, and the volume is checked from Linux afterwards.
# An image made with mkntfs and written through ntfs-3g holds files and a folder with streams. Wine
# sees it as drive E: twice over, as Windows does: E:'s device (dosdevices/e::, a read-only loop
# device of the image: "\\.\E:") and E:'s files (dosdevices/e:, the image mounted by ntfs-3g with
# the Windows stream interface, so that CreateFileW, ReadFile and DeleteFileW on E:\file:stream
# reach the real streams). Wine lists no streams itself: every row comes from the direct read. Two
# rows are of entries Windows opens differently: a symbolic link (a reparse point ntfs-3g writes) with
# a stream of its own named as its target's stream, whose rows must read the link's bytes, never the
# target's; and a file named "a?b.txt", which no Win32 path can name, whose rows are read through the
# program's NTFS engine from the raw volume.
# Steps, driven with the pointer in a virtual display:
#   1. Run Scan > Scan Target NTFS Drive > E:, "Read NTFS volumes directly" checked (the dialog's
#      screenshot is kept): every stream of the volume is in the tree (counted from the screen), and
#      the rows' previews (read through the window's accessible objects) are the link's and the odd
#      name's own bytes;
#   2. three streams unchecked (the target's among them), Backup Checked into a folder of Z: (the Linux
#      /tmp): exactly the checked streams are written, each with the volume's bytes (the link's own);
#   3. the odd name's and the link's streams unchecked too, Delete Checked, confirmed: after
#      unmounting, The Sleuth Kit (fls, icat) finds exactly the unchecked streams left, with their
#      bytes (the target's stream among them), and every file and folder still there.
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
not() { ! "$@"; }
skip() { echo "direct scan under Wine: SKIPPED: $1"; exit 0; }
client="$build/tests/acc_client.exe"
for f in "$program" "$probe" "$client"; do [ -f "$f" ] || { echo "missing: $f"; exit 1; }; done
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
  printf 'target' >t.txt && printf "target's x" >t.txt:x
  : >L && printf "link's own x" >L:x
  printf 'odd' >'a?b.txt' && printf "odd name's s" >'a?b.txt:s'
) || skip "ntfs-3g cannot write streams here"
# L becomes a symbolic link to t.txt, as Windows writes one (relative), through ntfs-3g's reparse data.
/usr/bin/python3 - "$mnt/L" <<'PYTHON' || skip "ntfs-3g cannot set reparse data here"
import os, struct, sys
target = "t.txt".encode("utf-16-le")
body = struct.pack("<HHHHI", 0, len(target), len(target), len(target), 1) + target + target
os.setxattr(sys.argv[1], "system.ntfs_reparse_data", struct.pack("<IHH", 0xA000000C, len(body), 0) + body)
PYTHON
cp "$mnt/docs/deep/x.bin:large" "$work/large.expected"
# Whether Windows functions can reach the link's own stream here at all: Wine reaches E:'s files through
# the ntfs-3g mount, and ntfs-3g refuses to open a stream of a reparse point.
link_readable=0
[ "$(cat "$mnt/L:x" 2>/dev/null)" = "link's own x" ] && link_readable=1
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
# Taller, so that every row of the scan shows at once (the controls above the list keep their places).
xdotool windowsize "$main" "$mw" 640
sleep 1
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
check "the direct scan lists the volume's 8 streams" shot_rows scanned 8
read -r ox oy list_top < <($layout layout "$out/direct-scanned.png")
row_y() { echo $((list_top + 30 + 24 + 17 * $1 + 9)); }
# Rows: 0 a|3Fb.txt, 1 s, 2 keep.txt, 3 keepme, 4 L, 5 x, 6 t.txt, 7 x, 8 docs, 9 folder-note,
# 10 report.txt, 11 s1, 12 s2, 13 x.bin, 14 large.

# The rows as a screen reader reads them: each stream row's description holds its full path and its
# preview.
wine "$client" "Korvane ADS Ombrolux" rows 2>/dev/null | tr -d '\r' >"$out/direct-rows.txt"
preview_of() { # full stream path as the row shows it, preview wanted
  grep -F "$1" "$out/direct-rows.txt" | grep -qF "$2"
}
if [ "$link_readable" = 1 ]; then
  check "the link's row previews the link's own stream, not its target's" preview_of 'E:\L:x' "link's own x"
else
  echo "SKIPPED: the link's own bytes in its row's preview and backup: ntfs-3g, through which Wine reads E:'s" \
    "files, refuses to open a stream of a reparse point; the row is only checked not to read the target's"
  check "the link's row never previews its target's stream" not preview_of 'E:\L:x' "target's x"
fi
check "the odd name's row (escaped) previews its stream, read through the engine" \
  preview_of 'E:\a|3Fb.txt:s' "odd name's s"

# ---- 2. keepme, s2 and the target's x unchecked; Backup Checked into Z:.
for row in 3 7 12; do
  xdotool mousemove $((ox + 52)) "$(row_y $row)" click 1 # the row's check box
  sleep 0.3
done
sleep 0.2
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
  local link="x "
  [ "$link_readable" = 1 ] || link="" # never the target's bytes: nothing is saved of it
  [ "$(cd "$work/saved" && ls | sort | tr '\n' ' ')" = "folder-note large s s1 $link" ] &&
    [ "$(cat "$work/saved/folder-note")" = "on the folder" ] && [ "$(cat "$work/saved/s1")" = "one" ] &&
    cmp -s "$work/saved/large" "$work/large.expected" && [ "$(cat "$work/saved/s")" = "odd name's s" ] &&
    { [ -z "$link" ] || [ "$(cat "$work/saved/x")" = "link's own x" ]; }
}
check "Backup Checked saves exactly the checked streams, with the volume's bytes (the link's own)" \
  saved_as_checked || { echo "saved:"; ls -l "$work/saved"; }
shot backed-up

# ---- 3. The odd name's and the link's streams unchecked; Delete Checked, confirmed (the toolbar has
# moved with the alert panel's new text).
read -r ox oy list_top < <($layout layout "$out/direct-backed-up.png")
for row in 1 5; do
  xdotool mousemove $((ox + 52)) "$(row_y $row)" click 1
  sleep 0.3
done
sleep 0.2
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
    keep.txt:keepme plain.txt 'a?b.txt' 'a?b.txt:s' L L:x t.txt t.txt:x | sort)
  [ "$(cat "$work/left.txt")" = "$expected" ] && [ "$(stream_bytes t.txt:x)" = "target's x" ] &&
    [ "$(stream_bytes L:x)" = "link's own x" ] && [ "$(stream_bytes 'a?b.txt:s')" = "odd name's s" ] &&
    [ "$(stream_bytes keep.txt:keepme)" = "kept stream" ] && [ "$(stream_bytes docs/report.txt:s2)" = "two two" ] &&
    [ "$(stream_bytes keep.txt)" = "keep me" ] && [ "$(stream_bytes docs/report.txt)" = "report" ]
}
check "Delete Checked removes exactly the checked streams; files, folders and unchecked streams stay" \
  deleted_exactly_the_checked || { echo "left on the volume:"; cat "$work/left.txt"; }

echo "direct scan under Wine: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

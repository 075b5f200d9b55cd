#!/usr/bin/env bash
# The stream commands of the real program under Wine, end to end, in the test build over the
# simulated store: its streams live in memory, but a folder chosen on a drive the store does not
# have goes to the real disk. The folder browser picks a fresh folder under /tmp through Wine's
# Z: drive, and the copies are read back here and compared byte for byte with the store's streams.
# After a full scan (/scan) of the store's 7 streams:
# 1. "Copy full ADS Path" from the tree's menu puts the focused stream's full path on the clipboard;
# 2. "Backup Selected ADS" of setup.exe:Zone.Identifier into <folder>\single, twice: each report
#    names the file written (Zone.Identifier, then Zone(1).Identifier), both hold the stream's bytes;
# 3. the 3 GB stream unchecked (its check box seen empty), "Backup Checked" into <folder>\bulk ends
#    finished with every row kept; the folder holds the six checked streams' bytes and nothing else;
# 4. "Delete Checked" answered Yes: every checked row goes, the unchecked one stays (its path,
#    copied from its menu, is the 3 GB stream's);
# 5. "Delete Selected ADS" on it, answered Yes: its row and its file's row go, the tree is empty;
# 6. Alt+F4 ends the program with exit code 0.
# Screenshots are kept in <build>/gui-artefacts. Usage: run_stream_gui_tests.sh [build folder]
set -u
here=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$here/build/win32}" 2>/dev/null && pwd) || { echo "no such build folder: ${1:-$here/build/win32}"; exit 1; }
out="$build/gui-artefacts"
mkdir -p "$out"
rm -f "$out"/stream-*.png
export WINEPREFIX="${WINEPREFIX:-$here/build/wineprefix}"
. "$here/tests/gui/wineprefix.sh"
layout="/usr/bin/python3 $here/tests/gui/stream_layout.py"
saved="/usr/bin/python3 $here/tests/gui/saved_streams.py"
probe="$build/tests/gui_probe.exe"
demo="$build/src/app/ADSOmbroluxStoreDemo.exe"
passed=0
failed=0
pass() { echo "PASS: $*"; passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
check() { if "${@:2}"; then pass "$1"; else fail "$1"; fi; }
for f in "$demo" "$probe"; do [ -f "$f" ] || { echo "missing: $f"; exit 1; }; done

make_prefix

# The real folder the copies go to: /tmp is Z:\tmp for Wine.
dest=$(mktemp -d /tmp/kwstreams-XXXXXX)
mkdir "$dest/single" "$dest/bulk"

# A display of our own, so that the screenshots show only our windows.
. "$here/tests/gui/display.sh"
start_display 121 150 1280x1024
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  kill "$xvfb_pid" 2>/dev/null
  rm -rf "$dest"
}
trap cleanup EXIT

# Waits (by default up to 30 s: the machine may be busy) for a visible window of that exact title;
# prints its id.
wait_window() {
  local w=""
  for _ in $(seq 1 "${2:-120}"); do
    w=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
    [ -n "$w" ] && break
    sleep 0.25
  done
  echo "$w"
}
# Waits until no visible window of that title is left; false after 10 s.
wait_gone() {
  for _ in $(seq 1 40); do
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
    sleep 0.25
  done
  return 1
}
# Answers the dialog of that title with its default button (Yes, OK); false when none showed.
answer() {
  local w
  w=$(wait_window "$1")
  [ -n "$w" ] || return 1
  xdotool windowfocus --sync "$w" >/dev/null 2>&1
  sleep 0.3
  xdotool key Return
  wait_gone "$1"
}
# The texts of a dialog (title, then its controls'), as Windows holds them.
dialog_texts() { wine "$probe" text "$1" 2>/dev/null | tr -d '\r'; }
shot() { sleep 1; import -window root "$out/stream-$1.png"; }
# Takes screenshots until the tree shows that many stream rows in the finished state (at most 30 s).
shot_rows() {
  local name=$1 rows=$2
  for _ in $(seq 1 30); do
    shot "$name"
    $layout finished "$out/stream-$name.png" && [ "$($layout rows "$out/stream-$name.png")" = "$rows" ] &&
      return 0
  done
  return 1
}
where() { read -r ox oy list_top < <($layout layout "$out/stream-$1.png"); }
row_y() { echo $((list_top + 30 + 24 + 17 * $1 + 9)); }
# Opens the tree's menu on a row and picks one of its stream items.
menu_item() { # row, offset of the item below the pointer
  local y
  y=$(row_y "$1")
  xdotool mousemove $((ox + 100)) "$y" click 1
  sleep 0.3
  xdotool mousemove $((ox + 100)) "$y" click 3
  sleep 0.8
  xdotool mousemove $((ox + 185)) $((y + $2)) click 1
}
# Offsets below the pointer of the tree menu's items (18 px a row, 9 a separator): Full Expand, Full
# Collapse, -, Check all Items, Uncheck all Items, Check Suspicious Only, -, then these three.
readonly BACKUP_ITEM=118 DELETE_ITEM=136 COPY_ITEM=155
# Picks a menu item that opens a window, again when the window does not show (a menu that opened
# late on a busy machine takes the click elsewhere).
open_from_menu() { # row, item, title of the window
  for _ in 1 2 3; do
    menu_item "$1" "$2"
    [ -n "$(wait_window "$3" 40)" ] && return 0
    xdotool key Escape
  done
  return 1
}
# In the folder browser: once its tree has the focus with "Desktop" selected (clicked below its items,
# then Home), the Desktop's "/" folder, then each part of the Linux path by typing its name (the tree
# selects the item whose name starts with what is typed), and OK.
choose_folder() {
  local b part X="" Y="" ready=""
  b=$(wait_window "Browse for Folder")
  [ -n "$b" ] && read -r X Y < <(wine "$probe" client "Browse for Folder" 2>/dev/null | tr -d '\r')
  [ -n "${Y:-}" ] || return 1
  for _ in $(seq 1 20); do
    xdotool mousemove $((X + 160)) $((Y + 190)) click 1
    sleep 0.2
    xdotool key Home
    sleep 0.3
    import -window root "$out/stream-browser.png"
    if $layout browser_ready "$out/stream-browser.png" "$X" "$Y"; then ready=1; break; fi
  done
  [ -n "$ready" ] || { xdotool key Escape; return 1; }
  xdotool type --delay 60 "/"
  local IFS=/
  for part in ${1#/}; do
    sleep 0.5
    xdotool key Right
    sleep 1.2
    xdotool type --delay 60 "$part"
  done
  sleep 0.8
  xdotool key Return
  wait_gone "Browse for Folder"
}
windows_path() { echo "Z:${1//\//\\}"; }

wine "$demo" /scan >/dev/null 2>&1 &
app_pid=$!
main=$(wait_window "Korvane ADS Ombrolux")
check "the scan lists the store's 7 streams" shot_rows scanned 7
where scanned

# Rows: 0 report.docx, 1 summary, 2 thumbnail, 3 setup.exe, 4 Zone.Identifier, 5 backup.zip,
# 6 payload (3 GB), 7 holiday.jpg, 8 exif, 9 gps, 10 notes.txt, 11 hidden.
# ---- 1. Copy full ADS Path.
menu_item 1 $COPY_ITEM
sleep 0.5
check "Copy full ADS Path puts the stream's full path on the clipboard" \
  [ "$(wine "$probe" clipboard 2>/dev/null | tr -d '\r')" = 'C:\Users\Public\Documents\report.docx:summary' ]

# ---- 2. Backup Selected ADS, twice into the same real folder.
single=$(windows_path "$dest/single")
for written in Zone.Identifier 'Zone(1).Identifier'; do
  open_from_menu 4 $BACKUP_ITEM "Browse for Folder" && choose_folder "$dest/single"
  info=$(wait_window "Information")
  report=$(dialog_texts "Information")
  shot "backup-selected-$written"
  check "Backup Selected ADS reports success, naming the file written: $single\\$written" \
    grep -qxF "$single\\$written" <<<"$report"
  grep -qxF "$single\\$written" <<<"$report" || echo "  the report: ${report:-(none)}"
  [ -n "$info" ] && answer "Information" || answer "Error"
done
check "both single copies are on the disk with the stream's bytes" \
  $saved "$dest/single" Zone.Identifier=setup.exe:Zone.Identifier "Zone(1).Identifier=setup.exe:Zone.Identifier"

# ---- 3. The 3 GB stream unchecked (the box toggled with the space key), then Backup Checked.
xdotool mousemove $((ox + 100)) "$(row_y 6)" click 1
sleep 0.3
xdotool key space
shot unchecked
state=$($layout checked "$out/stream-unchecked.png" 6)
if [ "$state" != unchecked ]; then
  fail "the 3 GB stream's row is unchecked (its box shows: ${state:-no box})"
else
  pass "the 3 GB stream's row is unchecked"
  xdotool mousemove $((ox + 70)) $((list_top + 14)) click 1
  choose_folder "$dest/bulk"
  check "Backup Checked ends finished with every row kept" shot_rows backup-checked 7
  check "Backup Checked saved the six checked streams with their bytes, and nothing else" \
    $saved "$dest/bulk" summary=report.docx:summary thumbnail=report.docx:thumbnail \
    Zone.Identifier=setup.exe:Zone.Identifier exif=holiday.jpg:exif gps=holiday.jpg:gps hidden=notes.txt:hidden
fi

# ---- 4. Delete Checked with Yes: the unchecked row stays. (The finished panel's height follows its
# message, so the toolbar is found again.)
shot before-delete
where before-delete
xdotool mousemove $((ox + 195)) $((list_top + 14)) click 1
check "Delete Checked asks first" answer "Question"
check "Delete Checked removes every checked row and keeps one" shot_rows delete-checked 1
where delete-checked
# The row kept must be the unchecked one: its path, copied from its menu, is the 3 GB stream's.
menu_item 1 $COPY_ITEM
sleep 0.5
kept=$(wine "$probe" clipboard 2>/dev/null | tr -d '\r')
check "the row kept is the unchecked 3 GB stream's (got ${kept:-nothing})" [ "$kept" = 'D:\Archive\backup.zip:payload' ]

# ---- 5. Delete Selected ADS on the last row.
open_from_menu 1 $DELETE_ITEM "Question"
check "Delete Selected ADS asks first" answer "Question"
info=$(wait_window "Information")
check "Delete Selected ADS reports success" grep -qxF "ADS File successfully removed!" <<<"$(dialog_texts Information)"
[ -n "$info" ] && answer "Information"
check "the last stream's row and its file's row are gone" shot_rows delete-selected 0

# ---- 6. Closing.
xdotool windowfocus --sync "$main" >/dev/null 2>&1 || true
xdotool key --window "$main" alt+F4 >/dev/null 2>&1
code=124
for _ in $(seq 1 40); do
  if ! kill -0 "$app_pid" 2>/dev/null; then wait "$app_pid"; code=$?; break; fi
  sleep 0.25
done
app_pid=""
check "Alt+F4 ends the program with exit code 0 (got $code)" [ "$code" -eq 0 ]

# ---- 7. The real program on a disk image as responders receive it: an E01 that ewfacquire made (in
# segments) of an MBR disk with two NTFS partitions that mkntfs and ntfscp made (numbered 1 and 3;
# partition 2 is FAT and skipped); the raw disk where ewfacquire is missing. "Scan NTFS Disk Image..." is the
# last item of the scan menu (Up, Return); the file-open dialog takes the image's Z: path. The rows
# name the image and partition; a stream saved from the image into a real folder holds its bytes;
# both deletes are refused as read only and the image file is unchanged.
program="$build/src/app/ADSOmbrolux.exe"
image_tools_missing=""
for tool in mkntfs ntfscp; do
  command -v "$tool" >/dev/null 2>&1 || [ -x "/usr/sbin/$tool" ] || [ -x "/sbin/$tool" ] ||
    image_tools_missing="$image_tools_missing $tool"
done
if [ ! -f "$program" ]; then
  echo "SKIP: the image scan: $program is not built"
elif [ -n "$image_tools_missing" ]; then
  echo "SKIP: the image scan: no$image_tools_missing here to make the image with"
else
  export PATH="$PATH:/usr/sbin:/sbin"
  mkdir "$dest/image" "$dest/work"
  printf 'the payload, read from the image' > "$dest/work/payload"
  printf 'notes on the second volume' > "$dest/work/notes"
  echo data > "$dest/work/data"
  truncate -s 2M "$dest/work/first.vol" "$dest/work/second.vol"
  mkntfs -q -F -f -L First "$dest/work/first.vol" >/dev/null 2>&1
  mkntfs -q -F -f -L Second "$dest/work/second.vol" >/dev/null 2>&1
  ntfscp -f "$dest/work/first.vol" "$dest/work/data" report.docx >/dev/null 2>&1
  ntfscp -f -N payload "$dest/work/first.vol" "$dest/work/payload" report.docx >/dev/null 2>&1
  ntfscp -f "$dest/work/second.vol" "$dest/work/data" memo.txt >/dev/null 2>&1
  ntfscp -f -N notes "$dest/work/second.vol" "$dest/work/notes" memo.txt >/dev/null 2>&1
  /usr/bin/python3 - "$dest/work" <<'PY'
import sys
work = sys.argv[1]
mib = 1024 * 1024
disk = bytearray(9 * mib)
def entry(slot, kind, start, count):
    e = 0x1BE + 16 * slot
    disk[e + 4] = kind
    disk[e + 8:e + 12] = start.to_bytes(4, "little")
    disk[e + 12:e + 16] = count.to_bytes(4, "little")
entry(0, 0x07, 2048, 4096)
entry(1, 0x0C, 6144, 2048)
entry(2, 0x07, 10240, 4096)
disk[510:512] = b"\x55\xAA"
disk[mib:3 * mib] = open(f"{work}/first.vol", "rb").read()
disk[5 * mib:7 * mib] = open(f"{work}/second.vol", "rb").read()
open(f"{work}/evidence.dd", "wb").write(disk)
PY
  picked=evidence.dd
  if command -v ewfacquire >/dev/null 2>&1; then
    ewfacquire -u -q -c none -S 1MiB -t "$dest/work/evidence" "$dest/work/evidence.dd" >/dev/null 2>&1 &&
      picked=evidence.E01
    check "ewfacquire makes an E01 of the disk in segments" [ -f "$dest/work/evidence.E02" ]
  else
    echo "SKIP: the E01 of the disk (ewfacquire is not installed): the raw disk is scanned instead"
  fi
  image_sum=$(cat "$dest/work/$picked"* | sha256sum)
  wine "$program" >/dev/null 2>&1 &
  app_pid=$!
  main=$(wait_window "Korvane ADS Ombrolux")
  sleep 2
  import -window root "$out/stream-image-idle.png"
  read -r ox oy list_top < <(/usr/bin/python3 -c "
import sys; sys.path.insert(0, '$here/tests/gui'); import check_screen, os
sys.stdout, out = open(os.devnull, 'w'), sys.stdout
found = check_screen.check_panel(check_screen.Shot('$out/stream-image-idle.png'), 'idle')
sys.stdout = out
print(*found) if found else None")
  if [ -z "${list_top:-}" ]; then
    fail "the real program starts idle (no idle panel seen)"
  else
    # The action button: 109 x 28, 4 px from the panel's right and bottom edges.
    xdotool mousemove $((ox + 4 + 532 - 4 - 54)) $((list_top - 5 - 4 - 14)) click 1
    sleep 1
    xdotool key Up
    shot image-menu
    xdotool key Return
    opened=$(wait_window "Scan NTFS Disk Image")
    check "Scan NTFS Disk Image... opens the file-open dialog" [ -n "$opened" ]
    if [ -n "$opened" ]; then
      xdotool windowfocus --sync "$opened" >/dev/null 2>&1
      sleep 0.5
      xdotool type --delay 30 "$(windows_path "$dest/work/$picked")"
      xdotool key Return
      check "the image is taken: the Setup Scan dialog follows" answer "Setup Scan"
      check "the image scan lists the two streams of the two NTFS partitions" shot_rows image-scanned 2
      where image-scanned
      # Rows: 0 evidence.E01 [1]\report.docx, 1 payload, 2 evidence.E01 [3]\memo.txt, 3 notes.
      menu_item 3 $COPY_ITEM
      sleep 0.5
      check "an image row's path names the image and partition" \
        [ "$(wine "$probe" clipboard 2>/dev/null | tr -d '\r')" = "$picked [3]\\memo.txt:notes" ]
      open_from_menu 1 $BACKUP_ITEM "Browse for Folder" && choose_folder "$dest/image"
      info=$(wait_window "Information")
      report=$(dialog_texts "Information")
      shot image-backup
      check "Backup Selected ADS of an image row reports the file written" \
        grep -qxF "$(windows_path "$dest/image")\payload" <<<"$report"
      [ -n "$info" ] && answer "Information" || answer "Error"
      check "the copy saved from the image holds the stream's bytes" cmp -s "$dest/image/payload" "$dest/work/payload"
      readonly_text="These streams are inside a disk image, which is opened read only: nothing was deleted."
      open_from_menu 1 $DELETE_ITEM "Information"
      check "Delete Selected ADS on an image row is refused as read only" \
        grep -qxF "$readonly_text" <<<"$(dialog_texts Information)"
      answer "Information"
      xdotool mousemove $((ox + 195)) $((list_top + 14)) click 1
      wait_window "Information" >/dev/null
      check "Delete Checked on image rows is refused as read only" \
        grep -qxF "$readonly_text" <<<"$(dialog_texts Information)"
      answer "Information"
      check "every image row is still there" shot_rows image-after-deletes 2
      check "the image's files are unchanged" [ "$(cat "$dest/work/$picked"* | sha256sum)" = "$image_sum" ]
    fi
  fi
  xdotool windowfocus --sync "$main" >/dev/null 2>&1 || true
  xdotool key --window "$main" alt+F4 >/dev/null 2>&1
  for _ in $(seq 1 40); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.25; done
  kill "$app_pid" 2>/dev/null
  app_pid=""
fi

echo "Screenshots: $out"
echo "stream gui: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

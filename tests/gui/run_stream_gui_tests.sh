#!/usr/bin/env bash
# The stream commands of the real program under Wine, in the test build over the simulated store
# (its streams live in memory, so the copies are made there too: a real folder of the Wine drive is
# chosen in the folder browser and the copies go to the store's folder of the same name).
# After a full scan (/scan) of the store's 7 streams:
# 1. "Copy full ADS Path" from the tree's menu puts the focused stream's full path on the clipboard;
# 2. "Backup Selected ADS" into C:\windows, twice, reports success both times (the second copy takes
#    a numbered name);
# 3. "Backup Checked" into C:\windows ends in the finished state with every row kept;
# 4. one row unchecked, "Delete Checked" answered Yes: every other row goes, the unchecked one stays;
# 5. "Delete Selected ADS" on it, answered Yes: its row and its file's row go, the tree is empty;
# 6. Alt+F4 ends the program with exit code 0.
# Screenshots are kept in <build>/gui-artefacts. Usage: run_stream_gui_tests.sh [build folder]
set -u
here=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$here/build/win32}" && pwd)
out="$build/gui-artefacts"
mkdir -p "$out"
export WINEPREFIX="${WINEPREFIX:-$here/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
layout="/usr/bin/python3 $here/tests/gui/stream_layout.py"
passed=0
failed=0
pass() { echo "PASS: $*"; passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
check() { if "${@:2}"; then pass "$1"; else fail "$1"; fi; }

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w || true
fi

# A display of our own, so that the screenshots show only our windows.
display=""
for n in $(seq 121 150); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
done
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY="$display"
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  kill "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT
for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# Waits for a window of that exact title; prints its id.
wait_window() {
  local w=""
  for _ in $(seq 1 40); do
    w=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
    [ -n "$w" ] && break
    sleep 0.25
  done
  echo "$w"
}
# Answers the dialog of that title with its default button (Yes, OK); false when none showed.
answer() {
  local w
  w=$(wait_window "$1")
  [ -n "$w" ] || return 1
  xdotool windowfocus --sync "$w" >/dev/null 2>&1
  sleep 0.3
  xdotool key Return
  for _ in $(seq 1 20); do
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
    sleep 0.25
  done
  return 1
}
shot() { sleep 1; import -window root "$out/$1.png"; }
where() { read -r ox oy list_top < <($layout layout "$out/$1.png"); }
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
readonly BACKUP_ITEM=100 DELETE_ITEM=118 COPY_ITEM=137
# In the folder browser: My Computer, (C:), then "windows", and OK.
choose_windows_folder() {
  local b
  b=$(wait_window "Browse for Folder")
  [ -n "$b" ] || return 1
  eval "$(xdotool getwindowgeometry --shell "$b")"
  xdotool mousemove $((X + 75)) $((Y + 113)) click 1
  sleep 0.3
  xdotool key Right
  sleep 0.6
  xdotool mousemove $((X + 96)) $((Y + 129)) click 1
  sleep 0.3
  xdotool key Right
  sleep 0.6
  xdotool key w
  sleep 0.4
  xdotool key Return
}
clipboard() {
  python3 -c 'import tkinter; r = tkinter.Tk(); r.withdraw(); print(r.clipboard_get())' 2>/dev/null
}

demo="$build/src/app/ADSOmbroluxStoreDemo.exe"
[ -f "$demo" ] || { echo "missing: $demo"; exit 1; }
wine "$demo" /scan >/dev/null 2>&1 &
app_pid=$!
main=$(wait_window "Korvane ADS Ombrolux")
sleep 6
shot scanned
where scanned
check "the scan lists the store's 7 streams" [ "$($layout rows "$out/scanned.png")" = 7 ]

# Rows: 0 report.docx, 1 summary, 2 thumbnail, 3 setup.exe, 4 Zone.Identifier, ...
# ---- 1. Copy full ADS Path.
menu_item 1 $COPY_ITEM
sleep 0.5
if python3 -c 'import tkinter' 2>/dev/null; then
  check "Copy full ADS Path puts the stream's full path on the clipboard" \
    [ "$(clipboard)" = 'C:\Users\Public\Documents\report.docx:summary' ]
else
  echo "SKIP: no Python with tkinter to read the clipboard"
fi

# ---- 2. Backup Selected ADS, twice into the same folder.
for time in first second; do
  menu_item 4 $BACKUP_ITEM
  choose_windows_folder
  info=$(wait_window "Information")
  shot "backup-selected-$time"
  check "Backup Selected ADS reports success ($time copy)" [ -n "$info" ]
  answer "Information"
done

# ---- 3. Backup Checked into the same folder.
xdotool mousemove $((ox + 70)) $((list_top + 14)) click 1
choose_windows_folder
sleep 2
shot backup-checked
check "Backup Checked ends finished" $layout finished "$out/backup-checked.png"
where backup-checked
check "Backup Checked keeps every row" [ "$($layout rows "$out/backup-checked.png")" = 7 ]

# ---- 4. One row unchecked (the box toggled with the space key), then Delete Checked with Yes.
xdotool mousemove $((ox + 100)) "$(row_y 1)" click 1
sleep 0.3
xdotool key space
xdotool mousemove $((ox + 195)) $((list_top + 14)) click 1
check "Delete Checked asks first" answer "Question"
sleep 2
shot delete-checked
where delete-checked
check "Delete Checked removes every checked row and keeps the unchecked one" \
  [ "$($layout rows "$out/delete-checked.png")" = 1 ]

# ---- 5. Delete Selected ADS on the last row.
menu_item 1 $DELETE_ITEM
check "Delete Selected ADS asks first" answer "Question"
check "Delete Selected ADS reports success" answer "Information"
shot delete-selected
where delete-selected
check "the last stream's row and its file's row are gone" [ "$($layout rows "$out/delete-selected.png")" = 0 ]

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

echo "Screenshots: $out"
echo "stream gui: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

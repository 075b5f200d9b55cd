#!/usr/bin/env bash
# The main flow with the keyboard alone, under Wine, in the test build over the simulated store: no
# pointer moves or clicks, only keys sent with xdotool. Tab reaches Run Scan, Down opens its menu and
# Return takes the first item; Return in Setup Scan starts the scan of the store's 7 streams; Tab
# reaches the tree, Down moves to the 3 GB stream and Space unchecks it; Tab reaches Backup Checked
# and Return presses it; the folder browser is walked with keys to a fresh folder under /tmp (Z: for
# Wine). The folder must then hold the six checked streams' bytes and nothing else. Last, F10 opens
# the caption tab's menu, its item shows About, and Esc closes it.
# Screenshots go to <build>/gui-artefacts. Usage: run_keyboard_gui_test.sh [build folder]
set -u
here=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$here/build/win32}" 2>/dev/null && pwd) || { echo "no such build folder: ${1:-$here/build/win32}"; exit 1; }
out="$build/gui-artefacts"
mkdir -p "$out"
rm -f "$out"/keyboard-*.png
export WINEPREFIX="${WINEPREFIX:-$here/build/wineprefix}"
. "$here/scripts/wine-env.sh"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
layout="/usr/bin/python3 $here/tests/gui/stream_layout.py"
saved="/usr/bin/python3 $here/tests/gui/saved_streams.py"
demo="$build/src/app/ADSOmbroluxStoreDemo.exe"
passed=0
failed=0
pass() { echo "PASS: $*"; passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
check() { if "${@:2}"; then pass "$1"; else fail "$1"; fi; }
[ -f "$demo" ] || { echo "missing: $demo"; exit 1; }

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w || true
fi

dest=$(mktemp -d /tmp/kwkeys-XXXXXX)
. "$here/tests/gui/display.sh"
start_display 183 212 1280x1024
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  kill "$xvfb_pid" 2>/dev/null
  rm -rf "$dest"
}
trap cleanup EXIT

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
shot() { sleep 1; import -window root "$out/keyboard-$1.png"; }
shot_rows() {
  local name=$1 rows=$2
  for _ in $(seq 1 30); do
    shot "$name"
    $layout finished "$out/keyboard-$name.png" && [ "$($layout rows "$out/keyboard-$name.png")" = "$rows" ] &&
      return 0
  done
  return 1
}
keys() { for k in "$@"; do xdotool key "$k"; sleep 0.3; done; }

wine "$demo" >/dev/null 2>&1 &
app_pid=$!
main=$(wait_window "Korvane ADS Ombrolux")
[ -n "$main" ] || { fail "the main window shows"; exit 1; }
xdotool windowfocus --sync "$main" >/dev/null 2>&1
sleep 1

# ---- The scan: Tab to Run Scan, Return opens its menu, its first item (the whole system) shows
# Setup Scan, where Return presses Valid.
keys Tab Return
sleep 1
shot scan-menu
keys Down Return
setup=$(wait_window "Setup Scan" 40)
check "Run Scan's menu, opened with Return, shows Setup Scan from its first item" [ -n "$setup" ]
sleep 0.5
keys Return
check "the scan lists the store's 7 streams" shot_rows scanned 7

# ---- After the scan Tab goes round Fine!, Backup Checked, Delete Checked and the tree. Down from no
# row reaches the first; the 3 GB stream is the seventh row.
keys Tab Tab Tab Tab Down Down Down Down Down Down Down space
shot unchecked
state=$($layout checked "$out/keyboard-unchecked.png" 6)
check "Space unchecks the 3 GB stream's row (its box shows: ${state:-no box})" [ "$state" = unchecked ]

# ---- Backup Checked: two Tabs from the tree, Return; the folder browser with keys alone: Home
# selects the Desktop, "/" its root folder, Right opens a folder and typing a name selects it.
keys Tab Tab
shot backup-focused
keys Return
browser=$(wait_window "Browse for Folder" 40)
check "Return on Backup Checked opens the folder browser" [ -n "$browser" ]
if [ -n "$browser" ]; then
  sleep 1
  keys Home
  xdotool type --delay 60 "/"
  for part in $(echo "${dest#/}" | tr / ' '); do
    sleep 0.5
    xdotool key Right
    sleep 1.2
    xdotool type --delay 60 "$part"
  done
  sleep 0.8
  shot browser
  xdotool key Return
  wait_gone "Browse for Folder"
  check "Backup Checked ends finished with every row kept" shot_rows backed-up 7
  check "Backup Checked saved the six checked streams with their bytes, and nothing else" \
    $saved "$dest" summary=report.docx:summary thumbnail=report.docx:thumbnail \
    Zone.Identifier=setup.exe:Zone.Identifier exif=holiday.jpg:exif gps=holiday.jpg:gps hidden=notes.txt:hidden
fi

# ---- About from the keyboard: F10 drops the caption tab's menu down, Down and Return take "About",
# Esc closes it.
xdotool windowfocus --sync "$main" >/dev/null 2>&1
sleep 0.5
keys F10
shot about-menu
keys Down Return
about=$(wait_window "About " 20)
check "F10 drops the caption tab's menu down, and its item shows About" [ -n "$about" ]
if [ -n "$about" ]; then
  sleep 1
  shot about
  keys Escape
  check "Esc closes About" wait_gone "About "
fi

xdotool key --window "$main" alt+F4 >/dev/null 2>&1
for _ in $(seq 1 40); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.25; done
app_pid=""
echo "keyboard GUI test: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

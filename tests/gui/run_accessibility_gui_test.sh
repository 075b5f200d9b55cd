#!/usr/bin/env bash
# The program as a screen reader sees it, under Wine, in the test build over the simulated store:
# after a full scan (/scan) of the store's 7 streams, tests/gui/acc_client.cpp asks the main window
# for its IAccessible from another process, walks the objects (their lines are kept in
# <build>/gui-artefacts/accessibility-walk.txt), checks the buttons, the alert panel and the results
# outline, toggles a row's check through its default action, and follows the focus through the rows
# with a WinEvent hook while Down is pressed. Screenshots go to <build>/gui-artefacts.
# Usage: run_accessibility_gui_test.sh [build folder]
set -u
here=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$here/build/win32}" 2>/dev/null && pwd) || { echo "no such build folder: ${1:-$here/build/win32}"; exit 1; }
out="$build/gui-artefacts"
mkdir -p "$out"
rm -f "$out"/accessibility-*.png
export WINEPREFIX="${WINEPREFIX:-$here/build/wineprefix}"
. "$here/tests/gui/wineprefix.sh"
layout="/usr/bin/python3 $here/tests/gui/stream_layout.py"
client="$build/tests/acc_client.exe"
demo="$build/src/app/ADSOmbroluxStoreDemo.exe"
passed=0
failed=0
pass() { echo "PASS: $*"; passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
check() { if "${@:2}"; then pass "$1"; else fail "$1"; fi; }
for f in "$demo" "$client"; do [ -f "$f" ] || { echo "missing: $f"; exit 1; }; done

make_prefix

. "$here/tests/gui/display.sh"
start_display 181 210 1280x1024
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  kill "$xvfb_pid" 2>/dev/null
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
shot() { sleep 1; import -window root "$out/accessibility-$1.png"; }
shot_rows() {
  local name=$1 rows=$2
  for _ in $(seq 1 30); do
    shot "$name"
    $layout finished "$out/accessibility-$name.png" && [ "$($layout rows "$out/accessibility-$name.png")" = "$rows" ] &&
      return 0
  done
  return 1
}

wine "$demo" /scan >/dev/null 2>&1 &
app_pid=$!
main=$(wait_window "Korvane ADS Ombrolux")
check "the scan lists the store's 7 streams" shot_rows scanned 7

walk="$out/accessibility-walk.txt"
wine "$client" "Korvane ADS Ombrolux" 2>&1 | tr -d '\r' >"$walk"
grep -E '^(PASS|FAIL) ' "$walk" | sed 's/^\(PASS\|FAIL\) /\1: screen reader: /'
passed=$((passed + $(grep -c '^PASS ' "$walk")))
failed=$((failed + $(grep -c '^FAIL ' "$walk")))
grep -q '^acc_client: ' "$walk" || fail "the screen-reader client ran to its end (see $walk)"
shot after-client

xdotool windowfocus --sync "$main" >/dev/null 2>&1 || true
xdotool key --window "$main" alt+F4 >/dev/null 2>&1
for _ in $(seq 1 40); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.25; done
app_pid=""
echo "accessibility GUI test: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

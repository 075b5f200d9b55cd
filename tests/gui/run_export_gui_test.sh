#!/usr/bin/env bash
# "Export Results..." of the real program under Wine, in the test build over the simulated store:
# after a full scan (/scan) of the store's 7 streams, the tree's menu exports them through the
# system's save dialog into a real folder under /tmp (Wine's Z: drive), once as CSV (the first type)
# and once as JSON Lines (the second type, chosen in the dialog's type list); each file is parsed back
# with Python's csv and json modules and compared with the streams the tree lists, and each report
# names the file written and the number of streams. Screenshots go to <build>/gui-artefacts.
# Usage: run_export_gui_test.sh [build folder]
set -u
here=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$here/build/win32}" 2>/dev/null && pwd) || { echo "no such build folder: ${1:-$here/build/win32}"; exit 1; }
out="$build/gui-artefacts"
mkdir -p "$out"
rm -f "$out"/export-*.png
export WINEPREFIX="${WINEPREFIX:-$here/build/wineprefix}"
. "$here/tests/gui/wineprefix.sh"
layout="/usr/bin/python3 $here/tests/gui/stream_layout.py"
checker="/usr/bin/python3 $here/tests/gui/export_check.py"
probe="$build/tests/gui_probe.exe"
demo="$build/src/app/ADSOmbroluxStoreDemo.exe"
passed=0
failed=0
pass() { echo "PASS: $*"; passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
check() { if "${@:2}"; then pass "$1"; else fail "$1"; fi; }
for f in "$demo" "$probe"; do [ -f "$f" ] || { echo "missing: $f"; exit 1; }; done

make_prefix
dest=$(mktemp -d /tmp/kwexport-XXXXXX)

. "$here/tests/gui/display.sh"
start_display 151 180 1280x1024
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
dialog_texts() { wine "$probe" text "$1" 2>/dev/null | tr -d '\r'; }
shot() { sleep 1; import -window root "$out/export-$1.png"; }
shot_rows() {
  local name=$1 rows=$2
  for _ in $(seq 1 30); do
    shot "$name"
    $layout finished "$out/export-$name.png" && [ "$($layout rows "$out/export-$name.png")" = "$rows" ] &&
      return 0
  done
  return 1
}
# Opens the tree's menu on the first stream row and picks its last item, "Export Results...", with
# the keyboard (Up from no selection goes to the last item); again when the dialog does not show.
open_export() {
  local y
  for _ in 1 2 3; do
    y=$((list_top + 30 + 24 + 17 * 1 + 9))
    xdotool mousemove $((ox + 100)) "$y" click 1
    sleep 0.3
    xdotool mousemove $((ox + 100)) "$y" click 3
    sleep 0.8
    xdotool key Up
    sleep 0.3
    xdotool key Return
    [ -n "$(wait_window "Export Results" 40)" ] && return 0
    xdotool key Escape
  done
  return 1
}
# In the save dialog: the type (1 CSV, 2 JSON Lines) from its list, then the file's name, and Save.
save_as() { # windows path, type number
  local d
  d=$(wait_window "Export Results")
  [ -n "$d" ] || return 1
  xdotool windowfocus --sync "$d" >/dev/null 2>&1
  sleep 0.5
  if [ "$2" = 2 ]; then
    xdotool key alt+t
    sleep 0.3
    xdotool key Down
    sleep 0.3
  fi
  xdotool key alt+n
  sleep 0.3
  xdotool key ctrl+a
  xdotool type --delay 30 "$1"
  sleep 0.3
  xdotool key Return
  wait_gone "Export Results"
}
# The report: the Information dialog's texts; then it is closed.
report_of() {
  local w
  w=$(wait_window "Information")
  [ -n "$w" ] || return 1
  dialog_texts "Information"
  xdotool windowfocus --sync "$w" >/dev/null 2>&1
  sleep 0.3
  xdotool key Return
  wait_gone "Information" >/dev/null
}

wine "$demo" /scan >/dev/null 2>&1 &
app_pid=$!
main=$(wait_window "Korvane ADS Ombrolux")
check "the scan lists the store's 7 streams" shot_rows scanned 7
read -r ox oy list_top < <($layout layout "$out/export-scanned.png")

for kind in csv jsonl; do
  type=1
  [ "$kind" = jsonl ] && type=2
  file="Z:${dest//\//\\}\\found.$kind"
  if open_export && save_as "$file" "$type"; then
    report=$(report_of)
    shot "$kind"
    check "the $kind report names the file and the 7 streams" grep -qxF "7 stream(s) written to:" <<<"$report"
    grep -qxF "$file" <<<"$report" || fail "the $kind report names $file (it said: ${report:-nothing})"
    check "the $kind file parses back to the tree's streams" $checker "$kind" "$dest/found.$kind"
  else
    shot "$kind-dialog"
    fail "Export Results... opened the save dialog and saved $file"
  fi
done

xdotool windowfocus --sync "$main" >/dev/null 2>&1 || true
xdotool key --window "$main" alt+F4 >/dev/null 2>&1
for _ in $(seq 1 40); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.25; done
app_pid=""
echo "Screenshots: $out"
echo "export gui: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

#!/usr/bin/env bash
# Runs the real program under Wine in a virtual X display and checks what the screen shows:
# 1. ADSOmbrolux.exe starts, shows the idle alert panel in its colours at its client size, and
#    closes (Alt+F4) with exit code 0;
# 2. its caption-bar button shows its normal, hover and pressed pictures and drops down its menu,
#    whose "About" shows the About window (name, version, "not signed"), whose link icon turns
#    coloured under the pointer; both windows close;
# 3. the test build over the simulated store scans every drive at once (/scan) and shows the
#    filled results tree;
# 4. the same build with a scan that never ends by itself (/hold) shows the busy panel and the
#    overlay, and Alt+F4 during the scan ends the program at once with exit code 0: the scan was
#    still running, busy panel on screen, when the process ended.
# Screenshots are kept in <build>/gui-artefacts. Usage: run_gui_tests.sh [build folder]
set -u
here=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$here/build/win32}" 2>/dev/null && pwd) || { echo "no such build folder: ${1:-$here/build/win32}"; exit 1; }
out="$build/gui-artefacts"
mkdir -p "$out"
rm -f "$out"/*.png
# A Wine prefix of its own, in the build folder: stopping its Wine server at the end must not touch
# other Wine runs (other tests, or this script run for another build folder at the same time).
export WINEPREFIX="$build/wineprefix-gui"
. "$here/tests/gui/wineprefix.sh"
check="/usr/bin/python3 $here/tests/gui/check_screen.py"
passed=0
failed=0
pass() { echo "PASS: $*"; passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }

make_prefix
frames_by_wine

# A display of our own, so that the screenshots show only our windows.
. "$here/tests/gui/display.sh"
start_display 91 120 1280x1024
cleanup() {
  [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null
  wineserver -k >/dev/null 2>&1
  kill "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT

# Starts an executable, waits for its main window; sets app_pid and window.
start_app() {
  window=""
  if [ ! -f "$1" ]; then echo "missing: $1"; return; fi
  wine "$@" >/dev/null 2>&1 &
  app_pid=$!
  window=""
  for _ in $(seq 1 120); do
    window=$(xdotool search --name "^Korvane ADS Ombrolux$" 2>/dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.5
  done
}

# Takes screenshots every pause seconds until the checker passes on one (at most tries); the last
# screenshot stays in file and the checker's output in $file.log. Usage:
# screen_until file tries pause checker [arguments before the file] -- [arguments after it]
screen_until() {
  local file=$1 tries=$2 pause=$3
  shift 3
  local before=() after=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do before+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  after=("$@")
  for _ in $(seq 1 "$tries"); do
    sleep "$pause"
    import -window root "$file"
    if "${before[@]}" "$file" "${after[@]}" > "$file.log" 2>&1; then cat "$file.log"; return 0; fi
  done
  cat "$file.log"
  return 1
}
# The screen check of that kind (idle, results, busy), one screenshot a second.
shoot_until() { screen_until "$2" "$3" 1 $check "$1"; }

# Closes the main window as the user does (Alt+F4) and answers the program's exit code, or 124.
close_app() {
  xdotool windowfocus --sync "$window" >/dev/null 2>&1 || true
  xdotool key --window "$window" alt+F4 >/dev/null 2>&1
  for _ in $(seq 1 40); do
    if ! kill -0 "$app_pid" 2>/dev/null; then
      wait "$app_pid"
      return $?
    fi
    sleep 0.25
  done
  return 124
}
# Closes the main window (Alt+F4) and checks that the program ends with exit code 0.
closes_cleanly() {
  close_app
  local code=$?
  if [ "$code" -eq 0 ]; then pass "$1"; else fail "$1 (got $code)"; fi
}

# ---- 1. The program starts idle and closes.
exe="$build/src/app/ADSOmbrolux.exe"
start_app "$exe"
if [ -z "$window" ]; then
  fail "the program shows its main window"
else
  pass "the program shows its main window"
  if shoot_until idle "$out/idle.png" 20; then pass "idle alert panel in its colours at the client size 540 x 433"
  else fail "idle alert panel in its colours at the client size 540 x 433"; fi
  closes_cleanly "Alt+F4 closes the program with exit code 0"
fi
app_pid=""

# ---- 2. The caption-bar button, its menu and the About window. Run before the store test build's
# cases: the last of them ends its program in the middle of a key press (Alt+F4), which Wine may
# still count as held for the next program.
caption="/usr/bin/python3 $here/tests/gui/check_caption.py"
# What the About window must show: the product name and the version the program's resources give,
# drawn by the program's own canvas in the labels' font, to compare with the screenshot's ink.
rc="$here/src/app/ADSOmbrolux.rc"
product=$(sed -n 's/.*VALUE "ProductName", "\(.*\)\\0".*/\1/p' "$rc")
version=$(sed -n 's/^FILEVERSION \([0-9]*\),\([0-9]*\),\([0-9]*\),\([0-9]*\).*/v\1.\2.\3 build \4/p' "$rc")
for what in name version; do
  text=$product
  [ "$what" = version ] && text=$version
  wine "$build/tests/gui_probe.exe" render Tahoma 9 normal '#E2E6EA' "$text" 2>/dev/null | tr -d '\r' \
    > "$out/about-$what.ink"
done
# The caption check of that kind, one screenshot every half second: caption_until file tries kind [args].
caption_until() { screen_until "$1" "$2" 0.5 $caption "$3" -- "${@:4}"; }
start_app "$exe"
if [ -z "$window" ]; then
  fail "the program shows its main window for the caption-bar button"
else
  xdotool mousemove 5 5
  if caption_until "$out/caption-normal.png" 20 button link; then
    pass "the caption bar shows the button's normal picture"
    read -r _ bx by bw bh < "$out/caption-normal.png.log"
    cx=$((bx + bw / 2)); cy=$((by + bh / 2))
    xdotool mousemove "$cx" "$cy"
    if caption_until "$out/caption-hover.png" 10 button hover; then pass "the button shows its hover picture under the pointer"
    else fail "the button shows its hover picture under the pointer"; fi
    xdotool click 1
    if caption_until "$out/caption-menu.png" 10 menu "$bx" "$((by + bh))"; then
      pass "a click on the button drops down its menu with the About item"
      read -r _ ix iy < "$out/caption-menu.png.log"
      $caption button "$out/caption-menu.png" action > "$out/caption-pressed.log" 2>&1 &&
        pass "the button shows its pressed picture while the menu is open" ||
        fail "the button shows its pressed picture while the menu is open ($(cat "$out/caption-pressed.log"))"
      xdotool mousemove "$((ix + 20))" "$iy" click 1
      about=""
      for _ in $(seq 1 40); do
        about=$(xdotool search --onlyvisible --name "^About $" 2>/dev/null | head -1)
        [ -n "$about" ] && break
        sleep 0.5
      done
      if [ -z "$about" ]; then
        fail "About in the menu shows the About window"
      elif caption_until "$out/about.png" 20 about "$out/about-name.ink" "$out/about-version.ink"; then
        pass "About shows the About window with the product name, the version and the status not signed"
        read -r _ ax ay < <(grep '^about ' "$out/about.png.log")
        xdotool mousemove 5 5
        if caption_until "$out/about-link-rest.png" 10 link "$ax" "$ay" rest; then
          xdotool mousemove "$((ax + 83 + 16))" "$((ay + 54 + 16))"
          if caption_until "$out/about-link-hover.png" 10 link "$ax" "$ay" hover; then
            pass "a link icon turns from grey to coloured under the pointer"
          else fail "a link icon turns from grey to coloured under the pointer"; fi
        else fail "a link icon shows grey at rest"; fi
        # Closed as the user does, it hides; the main window is still there to close.
        xdotool windowfocus --sync "$about" >/dev/null 2>&1 || true
        xdotool key --window "$about" alt+F4 >/dev/null 2>&1
        for _ in $(seq 1 20); do
          [ -z "$(xdotool search --onlyvisible --name "^About $" 2>/dev/null)" ] && break
          sleep 0.25
        done
        if [ -z "$(xdotool search --onlyvisible --name "^About $" 2>/dev/null)" ]; then pass "Alt+F4 closes the About window"
        else fail "Alt+F4 closes the About window"; fi
        # A click on the alert panel's text (which takes no click) makes the main window active.
        xdotool mousemove "$((bx + 150))" "$((by + bh + 60))" click 1
      else
        fail "About shows the About window with the product name, the version and the status not signed"
      fi
    else
      fail "a click on the button drops down its menu with the About item"
    fi
  else
    fail "the caption bar shows the button's normal picture"
  fi
  closes_cleanly "the main window then closes with exit code 0"
fi
app_pid=""

# ---- 3. The test build over the simulated store scans and shows its results.
demo="$build/src/app/ADSOmbroluxStoreDemo.exe"
start_app "$demo" /scan
if [ -z "$window" ]; then
  fail "the store test build shows its main window"
else
  if shoot_until results "$out/results.png" 30; then pass "a full scan of the store fills the tree and ends finished"
  else fail "a full scan of the store fills the tree and ends finished"; fi
  closes_cleanly "the finished window closes with exit code 0"
fi
app_pid=""

# ---- 4. A scan held for good at its third file shows its busy state; closing during it ends the
# program at once. The scan cannot end by itself, so a process that ends did so with the job running;
# the busy panel is seen again just before the close.
start_app "$demo" /scan /hold
if [ -z "$window" ]; then
  fail "the store test build shows its main window for a held scan"
else
  if shoot_until busy "$out/busy.png" 20; then pass "a running scan shows the busy panel and the overlay over the list"
  else fail "a running scan shows the busy panel and the overlay over the list"; fi
  import -window root "$out/busy-at-close.png"
  if $check busy "$out/busy-at-close.png" > "$out/busy-at-close.png.log" 2>&1; then
    closes_cleanly "closing during a scan (still busy at the close) ends the program at once with exit code 0"
  else
    fail "the scan is still running when the window is closed"
    close_app
  fi
fi
app_pid=""

echo "Screenshots: $out"
echo "gui: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

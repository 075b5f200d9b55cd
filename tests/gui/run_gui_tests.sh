#!/usr/bin/env bash
# Runs the real program under Wine in a virtual X display and checks what the screen shows:
# 1. ADSOmbrolux.exe starts, shows the idle alert panel in its colours at its client size, and
#    closes (Alt+F4) with exit code 0;
# 2. the test build over the simulated store scans every drive at once (/scan) and shows the
#    filled results tree;
# 3. the same build with a slowed scan (/slow) shows the busy panel and the overlay, and Alt+F4
#    during the scan ends the program at once with exit code 0.
# Screenshots are kept in <build>/gui-artefacts. Usage: run_gui_tests.sh [build folder]
set -u
here=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$here/build/win32}" && pwd)
out="$build/gui-artefacts"
mkdir -p "$out"
rm -f "$out"/*.png
# A Wine prefix of its own: stopping its Wine server at the end must not touch other Wine runs.
export WINEPREFIX="$here/build/wineprefix-gui"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
check="/usr/bin/python3 $here/tests/gui/check_screen.py"
passed=0
failed=0
pass() { echo "PASS: $*"; passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w || true
fi

# A display of our own, so that the screenshots show only our windows.
display=""
for n in $(seq 91 120); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
done
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY="$display"
cleanup() {
  [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null
  wineserver -k >/dev/null 2>&1
  kill "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT
for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

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

# Takes screenshots until the check of that kind passes (at most tries, one a second); the last
# screenshot stays in file. Answers whether the check passed.
shoot_until() {
  local kind=$1 file=$2 tries=$3
  for _ in $(seq 1 "$tries"); do
    sleep 1
    import -window root "$file"
    if $check "$kind" "$file" > "$file.log" 2>&1; then cat "$file.log"; return 0; fi
  done
  cat "$file.log"
  return 1
}

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

# ---- 1. The program starts idle and closes.
exe="$build/src/app/ADSOmbrolux.exe"
start_app "$exe"
if [ -z "$window" ]; then
  fail "the program shows its main window"
else
  pass "the program shows its main window"
  if shoot_until idle "$out/idle.png" 20; then pass "idle alert panel in its colours at the client size 540 x 433"
  else fail "idle alert panel in its colours at the client size 540 x 433"; fi
  close_app
  code=$?
  if [ "$code" -eq 0 ]; then pass "Alt+F4 closes the program with exit code 0"
  else fail "Alt+F4 closes the program with exit code 0 (got $code)"; fi
fi
app_pid=""

# ---- 2. The test build over the simulated store scans and shows its results.
demo="$build/src/app/ADSOmbroluxStoreDemo.exe"
start_app "$demo" /scan
if [ -z "$window" ]; then
  fail "the store test build shows its main window"
else
  if shoot_until results "$out/results.png" 30; then pass "a full scan of the store fills the tree and ends finished"
  else fail "a full scan of the store fills the tree and ends finished"; fi
  close_app
  code=$?
  if [ "$code" -eq 0 ]; then pass "the finished window closes with exit code 0"
  else fail "the finished window closes with exit code 0 (got $code)"; fi
fi
app_pid=""

# ---- 3. A slowed scan shows its busy state; closing during it ends the program at once.
start_app "$demo" /scan /slow
if [ -z "$window" ]; then
  fail "the store test build shows its main window for a slowed scan"
else
  if shoot_until busy "$out/busy.png" 6; then pass "a running scan shows the busy panel and the overlay over the list"
  else fail "a running scan shows the busy panel and the overlay over the list"; fi
  close_app
  code=$?
  if [ "$code" -eq 0 ]; then pass "closing during a scan ends the program at once with exit code 0"
  else fail "closing during a scan ends the program at once with exit code 0 (got $code)"; fi
fi
app_pid=""

echo "Screenshots: $out"
echo "gui: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

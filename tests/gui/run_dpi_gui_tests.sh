#!/usr/bin/env bash
# Runs the real program under Wine at 150 % display scale (144 DPI) in a virtual X display and
# checks that its windows are laid out for it: the main window, its Setup Scan dialog and its About
# window each show at their design size scaled, with their borders, bands, buttons and texts where
# the scaled layout puts them (tests/gui/check_dpi.py), in fonts made for 144 DPI.
#
# The scale is Wine's LogPixels setting. Wine 8 reads it from HKCU\Control Panel\Desktop first,
# then from HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts; this script
# sets the first, in a Wine prefix of its own (a copy of the GUI tests' prefix when there is one),
# so that the 96-DPI scripts never see it.
# Screenshots are kept in <build>/gui-artefacts as dpi144-*.png. Usage: run_dpi_gui_tests.sh [build folder]
set -u
here=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$here/build/win32}" 2>/dev/null && pwd) || { echo "no such build folder: ${1:-$here/build/win32}"; exit 1; }
out="$build/gui-artefacts"
mkdir -p "$out"
rm -f "$out"/dpi144-*.png "$out"/dpi144-*.log "$out"/dpi144-*.ink
dpi=144
export WINEPREFIX="$build/wineprefix-gui"
. "$here/scripts/wine-env.sh"
gui_prefix=$WINEPREFIX
export WINEPREFIX="$build/wineprefix-gui-dpi$dpi"
. "$here/tests/gui/wineprefix.sh"
check="/usr/bin/python3 $here/tests/gui/check_dpi.py"
probe="$build/tests/gui_probe.exe"
passed=0
failed=0
pass() { echo "PASS: $*"; passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }

make_prefix "$gui_prefix"
frames_by_wine "$dpi"

. "$here/tests/gui/display.sh"
start_display 121 150 1600x1200
cleanup() {
  [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null
  wineserver -k >/dev/null 2>&1
  kill "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT

# Waits until a visible window of that exact title shows; prints its X id.
wait_window() {
  local found=""
  for _ in $(seq 1 "$2"); do
    found=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
    [ -n "$found" ] && break
    sleep 0.5
  done
  echo "$found"
}
# The client area of the window of that title: "x y width height", from the program's side.
client_of() {
  local origin size
  origin=$(wine "$probe" client "$1" 2>/dev/null | tr -d '\r')
  size=$(wine "$probe" clientsize "$1" 2>/dev/null | tr -d '\r')
  [ -n "$origin" ] && [ -n "$size" ] && echo "$origin $size"
}
# Screenshots of the window of that title until its check passes (at most tries, a second apart):
# shoot TITLE FILE TRIES KIND [arguments after the geometry]
shoot() {
  local title=$1 file=$2 tries=$3 kind=$4
  shift 4
  local geometry=""
  for _ in $(seq 1 "$tries"); do
    sleep 1
    geometry=$(client_of "$title")
    [ -z "$geometry" ] && continue
    import -window root "$file"
    # shellcheck disable=SC2086
    if $check "$kind" "$file" "$dpi" $geometry "$@" > "$file.log" 2>&1; then cat "$file.log"; return 0; fi
  done
  cat "$file.log" 2>/dev/null || echo "no window \"$title\""
  return 1
}

exe="$build/src/app/ADSOmbrolux.exe"
main_title="Korvane ADS Ombrolux"
if [ ! -f "$exe" ] || [ ! -f "$probe" ]; then
  fail "the program and gui_probe are built ($exe, $probe)"
else
  wine "$exe" >/dev/null 2>&1 &
  app_pid=$!
  window=$(wait_window "$main_title" 120)
  if [ -z "$window" ]; then
    fail "the program shows its main window at $dpi DPI"
  else
    # ---- The main window, idle.
    if shoot "$main_title" "$out/dpi144-main.png" 20 main; then
      pass "the main window is laid out for $dpi DPI"
    else fail "the main window is laid out for $dpi DPI"; fi

    # ---- The results list paged one page right by its horizontal scroll bar's track, shot to look
    # at the scroll bars' arrows (the bar's middle is 19 pixels above the client's bottom at 144 DPI).
    read -r cx cy cw ch < <(client_of "$main_title")
    if [ -n "${cx:-}" ]; then
      xdotool mousemove "$((cx + cw - 60))" "$((cy + ch - 19))"
      sleep 0.3
      xdotool click 1
      sleep 1
      xdotool mousemove "$((cx + cw / 2))" "$((cy + 10))"
      sleep 0.5
      import -window root "$out/dpi144-list.png"
    fi

    # ---- The Setup Scan dialog: the action button drops down the scan menu, whose first item
    # asks for the scan's settings.
    read -r cx cy cw ch < <(client_of "$main_title")
    panel_bottom=$(sed -n 's/^alert panel [0-9]* x \([0-9]*\)$/\1/p' "$out/dpi144-main.png.log")
    if [ -n "${cx:-}" ] && [ -n "$panel_bottom" ]; then
      # The action button's middle: the panel ends 4 design pixels below its top (6 at 144 DPI)
      # and the button 4 above the panel's bottom, 42 high; its right edge is 12 left of the
      # client's, 164 wide.
      xdotool mousemove "$((cx + cw - 12 - 82))" "$((cy + panel_bottom - 21))" click 1
      sleep 1
      xdotool key Down Return
    fi
    dialog=$(wait_window "Setup Scan" 20)
    if [ -z "$dialog" ]; then
      fail "the scan menu's first item shows the Setup Scan dialog"
    else
      if shoot "Setup Scan" "$out/dpi144-setup-scan.png" 10 dialog; then
        pass "the Setup Scan dialog is laid out for $dpi DPI"
      else fail "the Setup Scan dialog is laid out for $dpi DPI"; fi
      xdotool windowfocus --sync "$dialog" >/dev/null 2>&1 || true
      xdotool key --window "$dialog" Escape
      for _ in $(seq 1 20); do
        [ -z "$(xdotool search --onlyvisible --name "^Setup Scan$" 2>/dev/null)" ] && break
        sleep 0.25
      done
    fi

    # ---- The About window, from the caption-bar button's menu.
    rc="$here/src/app/ADSOmbrolux.rc"
    product=$(sed -n 's/.*VALUE "ProductName", "\(.*\)\\0".*/\1/p' "$rc")
    version=$(sed -n 's/^FILEVERSION \([0-9]*\),\([0-9]*\),\([0-9]*\),\([0-9]*\).*/v\1.\2.\3 build \4/p' "$rc")
    wine "$probe" render Tahoma 9 normal '#E2E6EA' "$product" "$dpi" 2>/dev/null | tr -d '\r' > "$out/dpi144-name.ink"
    wine "$probe" render Tahoma 9 normal '#E2E6EA' "$version" "$dpi" 2>/dev/null | tr -d '\r' > "$out/dpi144-version.ink"
    xdotool mousemove 5 5
    sleep 0.5
    import -window root "$out/dpi144-caption.png"
    caption="/usr/bin/python3 $here/tests/gui/check_caption.py"
    # The button shows its picture drawn at 150 %: found by that file, it is no stretched 1x one.
    if $caption button "$out/dpi144-caption.png" link 150 > "$out/dpi144-caption.png.log" 2>&1; then
      pass "the caption-bar button shows its picture drawn at 150 % ($(cat "$out/dpi144-caption.png.log"))"
      read -r _ bx by bw bh < "$out/dpi144-caption.png.log"
      xdotool mousemove "$((bx + bw / 2))" "$((by + bh / 2))" click 1
      sleep 1
      xdotool key Down Return
    else fail "the caption-bar button shows its picture drawn at 150 % ($(cat "$out/dpi144-caption.png.log"))"
    fi
    about=$(wait_window "About " 20)
    if [ -z "$about" ]; then
      fail "the caption-bar menu's About shows the About window ($(cat "$out/dpi144-caption.png.log"))"
    else
      if shoot "About " "$out/dpi144-about.png" 10 about "$out/dpi144-name.ink" "$out/dpi144-version.ink"; then
        pass "the About window is laid out for $dpi DPI, its texts in fonts made for it"
      else fail "the About window is laid out for $dpi DPI, its texts in fonts made for it"; fi
      xdotool windowfocus --sync "$about" >/dev/null 2>&1 || true
      xdotool key --window "$about" alt+F4 >/dev/null 2>&1
      sleep 0.5
    fi

    xdotool windowfocus --sync "$window" >/dev/null 2>&1 || true
    xdotool key --window "$window" alt+F4 >/dev/null 2>&1
    for _ in $(seq 1 40); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.25; done
  fi
fi
app_pid=""

echo "Screenshots: $out/dpi144-*.png"
echo "gui at $dpi DPI: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

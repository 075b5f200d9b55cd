# Sourced by the GUI scripts once they have set WINEPREFIX: the Wine environment of
# scripts/wine-env.sh (a 64-bit prefix of its own where no 32-bit code runs), quiet, without Mono
# and Gecko, and two steps every script takes at its own moment:
#   make_prefix [FROM]    makes the prefix when it has none: a copy of the prefix FROM when that one
#                         is made (it saves a first start of Wine), else a fresh one
#   frames_by_wine [DPI]  Xvfb runs no window manager, so nothing would draw the windows' frames and
#                         caption bars: Wine draws them itself when its X11 driver leaves the windows
#                         undecorated (the caption-bar button lives there); with DPI, Wine shows at
#                         that display scale (its LogPixels setting). Waits until Wine wrote them.
. "$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/scripts/wine-env.sh"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

make_prefix() {
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  if [ -n "${1:-}" ] && [ -f "$1/system.reg" ]; then
    cp -a "$1" "$WINEPREFIX"
    return 0
  fi
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w || true
}

frames_by_wine() {
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
  if [ -n "${1:-}" ]; then
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  fi
  wineserver -w || true
}

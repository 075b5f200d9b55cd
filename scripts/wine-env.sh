# Sourced by every script that runs a Windows program under Wine, after it sets WINEPREFIX.
# Some machines run no 32-bit x86 code (a kernel without IA-32 emulation: wine32 fails with "Exec
# format error"). There Wine runs 64-bit programs only: `wine` and the Wine tools go through wine64,
# with a 64-bit prefix of its own, and the Windows tests run on the 64-bit build of the same sources.
kw_wine_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
kw_runs_32bit_x86() { /usr/lib/wine/wine --version >/dev/null 2>&1; }
if [ -z "${KW_WINE64:-}" ]; then
  if kw_runs_32bit_x86 || [ ! -x /usr/lib/wine/wine64 ]; then KW_WINE64=0; else KW_WINE64=1; fi
  export KW_WINE64
fi
if [ "$KW_WINE64" = 1 ]; then
  export WINELOADER=/usr/lib/wine/wine64 WINEARCH=win64
  case ":$PATH:" in *":$kw_wine_scripts/wine64:"*) ;; *) export PATH="$kw_wine_scripts/wine64:$PATH" ;; esac
  case "${WINEPREFIX:-}" in "" | *-win64) ;; *) export WINEPREFIX="$WINEPREFIX-win64" ;; esac
fi

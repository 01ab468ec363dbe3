#!/usr/bin/env bash
# Runs a Windows program under Wine: a prefix of its own per build tree (created
# on first use), the Wine that matches the program's architecture, and a virtual
# display when none is set.
#   wine-run.sh --prepare    only sets the prefix up (with KVS_WINE_ARCH)
#   KVS_WINE_ARCH  win32 | win64 (default: from the program's PE header)
#   WINEPREFIX     the prefix to use (default: beside the program)
set -euo pipefail
exe=$1
shift

# The architecture: the program's; for a Wine builtin such as `reg`, the
# prefix's, or else the widest this machine runs.
source "$(dirname "$0")/../tools/wine-env.sh"
if [ -z "${KVS_WINE_ARCH:-}" ]; then
  if [ -f "$exe" ] && KVS_WINE_ARCH=$(kvs_pe_arch "$exe"); then
    :
  elif [ -n "${WINEPREFIX:-}" ] && [ -f "$WINEPREFIX/system.reg" ]; then
    KVS_WINE_ARCH=$(sed -n 's/^#arch=\(win32\|win64\)$/\1/p' "$WINEPREFIX/system.reg" | head -n 1)
  fi
  if [ -z "${KVS_WINE_ARCH:-}" ]; then
    KVS_WINE_ARCH=$(kvs_runnable_tree)
  fi
fi
if [ "$KVS_WINE_ARCH" = win64 ]; then
  WINE=$(command -v wine64 || echo /usr/lib/wine/wine64)
else
  WINE=$(command -v wine)
fi
export WINEARCH=$KVS_WINE_ARCH
export WINEPREFIX=${WINEPREFIX:-$(dirname "$(readlink -f "$exe")")/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# One prefix per tree, created once; tests running in parallel wait for it.
mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  if [ ! -f "$WINEPREFIX/.kvs-ready" ]; then
    rm -rf "$WINEPREFIX"
    "$WINE" wineboot -i >/dev/null 2>&1 || true
    "$(dirname "$WINE")/wineserver" -w 2>/dev/null || wineserver -w 2>/dev/null || true
    touch "$WINEPREFIX/.kvs-ready"
  fi
  # There is no window manager on the virtual displays: Wine is told to manage its
  # windows itself, or every window that closes waits two seconds for a manager's
  # answer that never comes.
  if [ ! -f "$WINEPREFIX/.kvs-unmanaged" ]; then
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 &&
      touch "$WINEPREFIX/.kvs-unmanaged"
    "$(dirname "$WINE")/wineserver" -w 2>/dev/null || wineserver -w 2>/dev/null || true
  fi
  # A program that crashes ends at once with its exception written to stderr,
  # instead of waiting behind Wine's crash dialog until a test times out.
  if [ ! -f "$WINEPREFIX/.kvs-no-crash-dialog" ]; then
    "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 &&
      touch "$WINEPREFIX/.kvs-no-crash-dialog"
    "$(dirname "$WINE")/wineserver" -w 2>/dev/null || wineserver -w 2>/dev/null || true
  fi
  # Wine's own fonts (Tahoma, Wingdings, ... from the fonts-wine package) serve
  # a program only from the prefix's Fonts folder; Debian's Wine does not look
  # where the package puts them.
  fonts=/usr/share/wine/fonts
  if [ -d "$fonts" ] && [ ! -f "$WINEPREFIX/.kvs-fonts" ]; then
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp -n "$fonts"/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    touch "$WINEPREFIX/.kvs-fonts"
  fi
) 9>"$WINEPREFIX.lock"

[ "$exe" != --prepare ] || exit 0
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24 +extension GLX" "$WINE" "$exe" "$@"
fi
exec "$WINE" "$exe" "$@"

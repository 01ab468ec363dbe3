#!/usr/bin/env bash
# Runs one Windows test program of the saver checks on a virtual display of its
# own, so that a full-screen saver, its input and its screenshots meet no other
# program. The Wine prefix comes from WINEPREFIX (one for all saver checks,
# which CTest runs one at a time); its server is stopped at the end. Pictures
# the program leaves as .bmp in KVS_OUT_DIR are converted to .png.
#   isolated_wine.sh <program.exe> [arguments...]
set -uo pipefail
exe=$1
shift
root=$(cd "$(dirname "$0")/../.." && pwd)
screen=${KVS_TEST_SCREEN:-1024x768x24}

xvfb_pid=""
cleanup() {
  if [ -n "${WINEPREFIX:-}" ]; then
    server=$(command -v wineserver || echo /usr/lib/wine/wineserver)
    WINEPREFIX=$WINEPREFIX "$server" -k >/dev/null 2>&1 || true
  fi
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
}
trap cleanup EXIT

# A free display number; a server that loses the race for it is replaced.
n=${KVS_TEST_DISPLAY_BASE:-140}
for attempt in $(seq 20); do
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 "$screen" -nolisten tcp +extension GLX >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$xvfb_pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then break; fi
  xvfb_pid=""
  n=$((n + 1))
done
[ -n "$xvfb_pid" ] || { echo "no virtual display could be started" >&2; exit 1; }
export DISPLAY=":$n"

if [ -n "${KVS_OUT_DIR:-}" ]; then mkdir -p "$KVS_OUT_DIR"; fi

"$root/cmake/wine-run.sh" "$exe" "$@"
status=$?

if [ -n "${KVS_OUT_DIR:-}" ] && command -v convert >/dev/null; then
  for bmp in "$KVS_OUT_DIR"/*.bmp; do
    [ -e "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
  done
fi
exit $status

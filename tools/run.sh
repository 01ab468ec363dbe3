#!/usr/bin/env bash
# Builds the screensaver and runs it under Wine. Arguments pass through to it
# (default /s). On a machine without a display it runs on a virtual one for a few
# seconds and saves screenshots under out/; with /c it photographs every page of
# the settings window into out/settings.png instead.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/wine-env.sh
tools/setup.sh

jobs=${KVS_JOBS:-2}
tree=$(kvs_runnable_tree)
cmake --preset win32 >/dev/null && cmake --build build/win32 -j"$jobs"
if [ "$tree" != win32 ]; then
  cmake --preset "$tree" >/dev/null && cmake --build "build/$tree" -j"$jobs"
fi
scr="$PWD/build/$tree/TheKorvanSelwyth.scr"
# A prefix of its own: what the saver stores there (its settings) must not meet
# the tests, which start from an empty registry in theirs.
export WINEPREFIX="$PWD/build/$tree/wineprefix-run"
# The prefix first (its first boot takes a while), so that the saver's seconds
# count from its own start.
KVS_WINE_ARCH=$(kvs_pe_arch "$scr") cmake/wine-run.sh --prepare
mkdir -p out
build/win32/host-tools/tools/artgen/kvs_artgen --contact-sheet out/artwork.png || true
[ $# -gt 0 ] || set -- /s
# The saver runs inside out/: make file arguments (a preset for /i) absolute.
args=()
for a in "$@"; do
  if [ -e "$a" ]; then args+=("$(readlink -f "$a")"); else args+=("$a"); fi
done
set -- "${args[@]}"

# The saver appends its display log to the current directory: keep it in out/.
if [ -n "${DISPLAY:-}" ]; then
  cd out
  exec ../cmake/wine-run.sh "$scr" "$@"
fi

# Headless configuration: pictures of every page of the settings window.
if [ "${1:-}" = /c ] || [ "${1:-}" = /C ]; then
  exec tools/settings_sheet.sh
fi

# Headless: a virtual display, a few seconds of the saver, screenshots. The
# saver's own output and Wine's (a crash report among it) go to out/wine.log.
seconds=${KVS_RUN_SECONDS:-8}
kvs_ensure_display "${KVS_RUN_SCREEN:-1024x768x24}"
mkdir -p out
rm -f out/screen-*s.png
(cd out && exec ../cmake/wine-run.sh "$scr" "$@" >wine.log 2>&1) &
pid=$!
shots=0
ended_early=0
for t in $(seq 1 "$seconds"); do
  sleep 1
  kill -0 "$pid" 2>/dev/null || { ended_early=1; break; }
  if [ $((t % 2)) -eq 0 ]; then
    xwd -root -silent | convert xwd:- "out/screen-${t}s.png" && shots=$((shots + 1))
  fi
done
killed=0
if kill -0 "$pid" 2>/dev/null; then
  # Escape ends the saver; without a window manager Wine takes a moment to let go
  # of a full-screen window.
  xdotool key Escape 2>/dev/null || true
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    killed=1
    kill "$pid" 2>/dev/null || true
    "$(command -v wineserver || echo /usr/lib/wine/wineserver)" -k >/dev/null 2>&1 || true
  fi
fi
status=0
wait "$pid" || status=$?
crash=$(grep -m1 -E '^wine: Unhandled|^Unhandled exception' out/wine.log || true)
echo "run: exit status $status, $shots screenshot(s) in out/, Wine's output in out/wine.log"
if [ -n "$crash" ]; then
  echo "run: the saver crashed: $crash" >&2
  exit 1
elif [ "$killed" = 1 ]; then
  echo "run: the saver did not end within 10 s of Escape and was stopped" >&2
  exit 1
elif [ "$status" -ne 0 ]; then
  echo "run: the saver ended with status $status$([ "$ended_early" = 1 ] && echo ' before Escape was pressed')" >&2
  exit 1
fi

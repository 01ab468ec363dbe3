#!/usr/bin/env bash
# Writes a contact sheet of the special effects: one held frame of the plain
# rain and one of each effect (deja vu, the movement, still and trace-code
# bursts, small bursts, drops, lightnings, superman, the crash, and the crash
# again during a full flash) and of the console start intro, labelled, from the screensaver running under
# Wine on a virtual display. The saver's diagnostic variables fix the pictures:
# a seed, 50 ms frames, the effect started a few frames before the frame that
# is held (see src/host/diagnostics.h).
#   tools/effects_sheet.sh [output, default out/effects.png]
# Needs the runnable Windows tree built (tools/run.sh or tools/test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source tools/wine-env.sh

tree=${KVS_SHEET_TREE:-build/$(kvs_runnable_tree)}
scr="$PWD/$tree/TheKorvanSelwyth.scr"
options="$PWD/$tree/kvs_saver_options.exe"
out=${1:-out/effects.png}
for f in "$scr" "$options"; do
  [ -f "$f" ] || { echo "missing $f: build the $tree tree first" >&2; exit 1; }
done
export WINEPREFIX="$PWD/$tree/wineprefix-sheet"
# Every Wine command here (the builtin `reg` too) runs in the program's architecture.
KVS_WINE_ARCH=$(kvs_pe_arch "$scr")
export KVS_WINE_ARCH
server=$(command -v wineserver || echo /usr/lib/wine/wineserver)
work=$(mktemp -d)

xvfb_pid=""
cleanup() {
  "$server" -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

n=180
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp +extension GLX >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$n"
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
# No window manager here: Wine manages its windows itself.
cmake/wine-run.sh reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true

# A full screen at once, no incoming text, no effect but the one asked for.
quiet="jumpInStart=1 textEnabled=0 fadeOut=0 dejaVuInterval=255 burstMovementInterval=255 burstStillInterval=255
  burstTraceInterval=255 smallBurstsInterval=255 dropsInterval=255 lightningsInterval=255 crashInterval=255
  supermanInterval=255"
cmake/wine-run.sh "$options" $quiet >/dev/null

# Starts the saver in the work folder (which also takes its display log) with the
# trace in $1, holding after frame $2, with the effect trigger $3.
start_saver() {
  (cd "$work" && KVS_TRACE="$(echo "Z:$1" | tr / '\\')" KVS_TEST_SEED=11 KVS_TEST_FRAME_MS=50 \
    KVS_TEST_HOLD_FRAMES=$2 KVS_TEST_EFFECT="$3" exec "$root/cmake/wine-run.sh" "$scr" /s >/dev/null 2>&1) &
  pid=$!
}

hold=17
# name:frames the effect runs before the held frame (1000 units each); the
# crash's flash is held at the first frame of its first flash over the whole
# display at full strength; the console intro is held at its tick 57 (its glow
# and scan lines), last.
shots="rain:0 dejavu:4 movement:5 still:16 trace:16 smallbursts:6 drops:3 lightnings:5 superman:4 crash:12 crashflash:12 console:0"
labels=()
for shot in $shots; do
  name=${shot%%:*}
  frames=${shot##*:}
  trace="$work/$name.log"
  effect=""
  shot_hold=$hold
  case $name in
    rain) ;;
    crashflash)
      # The same crash, run on until that flash: the frame it lifts the rectangles.
      effect="crash@$((hold - frames))"
      start_saver "$work/probe.log" 400 "$effect"
      found=""
      for _ in $(seq 1200); do
        found=$(sed -n 's/^crash flash display=0 frames=\([0-9]*\) strength=1.00 whole_tiles=16 .*/\1/p' "$work/probe.log" 2>/dev/null | head -n 1 || true)
        [ -n "$found" ] && break
        sleep 0.1
      done
      "$server" -k >/dev/null 2>&1 || true
      wait "$pid" 2>/dev/null || true
      [ -n "$found" ] || { echo "the crash showed no full flash within 400 frames" >&2; exit 1; }
      shot_hold=$((found + 1)) ;;
    console)
      hold=57
      shot_hold=$hold
      cmake/wine-run.sh "$options" $quiet consoleStart=1 >/dev/null ;;
    *) effect="$name@$((hold - frames))" ;;
  esac
  start_saver "$trace" "$shot_hold" "$effect"
  for _ in $(seq 600); do
    grep -q "^hold steady" "$trace" 2>/dev/null && break
    sleep 0.1
  done
  sleep 1
  xwd -root -silent | convert xwd:- "$work/$name.png"
  "$server" -k >/dev/null 2>&1 || true
  wait "$pid" 2>/dev/null || true
  labels+=(-label "$name" "$work/$name.png")
done

mkdir -p "$(dirname "$out")"
# Labels in whatever sans-serif face the system has.
font=$(fc-match -f '%{file}' sans 2>/dev/null || true)
montage "${labels[@]}" ${font:+-font "$font"} -tile 4x3 -geometry 512x384+6+6 -background '#202020' -fill white \
  -pointsize 20 "$out"
echo "effects sheet: $out"

#!/usr/bin/env bash
# Measures the screensaver under Wine with its software GL (llvmpipe) on a
# virtual display and prints:
#   - frames per second at 1024x768 and 1920x1080, with the default look and
#     with motion blur 8 and halo 255 (hardware use not reduced);
#   - where a frame's time goes: simulation, grid walk, GL submission of the
#     grid passes, the whole RenderFrame, and flush plus buffer swap (where the
#     software rasteriser does most of its work);
#   - the time from process start to the first presented frame, with the
#     default look, with character blur 8 and with sound on (the built-in
#     mixer, whose output thread decodes the samples beside the first frame;
#     median of three starts), and that thread's decode time.
# The figures come from the saver's own trace (KVS_TRACE). Runs start with a
# full screen of rain (jump-in start) and leave out their first seconds.
#   tools/bench_saver.sh [seconds per run, default 14]
# KVS_BENCH_START_ONLY=1 skips the frame rates.
# Needs the runnable Windows tree built (tools/test.sh or tools/run.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/wine-env.sh

tree=${KVS_BENCH_TREE:-build/$(kvs_runnable_tree)}
scr="$PWD/$tree/TheKorvanSelwyth.scr"
options="$PWD/$tree/kvs_saver_options.exe"
export WINEPREFIX="$PWD/$tree/wineprefix-bench"
seconds=${1:-14}
skip=4
for f in "$scr" "$options"; do
  [ -f "$f" ] || { echo "missing $f: build the $tree tree first" >&2; exit 1; }
done
work=$(mktemp -d)
server=$(command -v wineserver || echo /usr/lib/wine/wineserver)

xvfb_pid=""
stop_display() {
  "$server" -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  xvfb_pid=""
}
trap 'stop_display; rm -rf "$work"' EXIT

start_display() {
  local n=170
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 "$1x24" -nolisten tcp +extension GLX >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  # No window manager here: Wine manages its windows itself.
  cmake/wine-run.sh reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
}

# run <trace> <seconds> <option=value...>: one saver run with a trace.
run_saver() {
  local trace=$1 duration=$2
  shift 2
  cmake/wine-run.sh "$options" reduceHardwareUsage=0 fadeOut=0 "$@" >/dev/null
  rm -f "$trace"
  KVS_TRACE="$(echo "Z:$trace" | tr / '\\')" cmake/wine-run.sh "$scr" /s >/dev/null 2>&1 &
  local pid=$!
  sleep "$duration"
  "$server" -k >/dev/null 2>&1 || true
  wait "$pid" 2>/dev/null || true
}

# Averages of the per-second lines after the first $skip, weighted by frames.
summarise() {
  awk -v skip="$skip" -v label="$2" '
    /^second / {
      n++; if (n <= skip) next
      for (i = 2; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
      f = v["frames"]; frames += f; secs += f / (v["fps"] > 0 ? v["fps"] : 1)
      for (k in v) if (k != "frames" && k != "fps") sum[k] += v[k] * f
    }
    END {
      if (frames == 0) { printf "%-34s no frames measured\n", label; exit }
      printf "%-34s %6.1f fps  sim %6.2f  walk %6.2f  submit %6.2f  render %6.2f  present %7.2f  frame %7.2f ms  layers %5.0f\n",
        label, frames / secs, sum["sim_ms"] / frames, sum["walk_ms"] / frames, sum["submit_ms"] / frames,
        sum["render_ms"] / frames, sum["present_ms"] / frames, sum["frame_ms"] / frames, sum["layers"] / frames
    }' "$1"
}

[ -n "${KVS_BENCH_START_ONLY:-}" ] || echo "Frame rate (Wine, llvmpipe; $((seconds - skip)) s measured per run after $skip s):"
for size in 1024x768 1920x1080; do
  [ -z "${KVS_BENCH_START_ONLY:-}" ] || break
  start_display "$size"
  run_saver "$work/default.log" "$seconds" jumpInStart=1
  summarise "$work/default.log" "$size defaults"
  run_saver "$work/heavy.log" "$seconds" jumpInStart=1 motionBlurDepth=8 halo=255
  summarise "$work/heavy.log" "$size motion blur 8, halo 255"
  stop_display
done

echo
echo "Process start to first presented frame (1024x768, median of 3):"
start_display 1024x768
decodes=()
for look in "defaults" "character blur 8" "sound on"; do
  values=()
  for attempt in 1 2 3; do
    case "$look" in
      defaults) extra=() ;;
      "sound on") extra=(soundEnabled=1 volume=128) ;;
      *) extra=(charBlurLevel=8) ;;
    esac
    run_saver "$work/start.log" 5 "${extra[@]}"
    values+=("$(sed -n 's/^first_frame ms_since_process_start=//p' "$work/start.log")")
    decode=$(sed -n 's/^sound output .*decode_ms=\([0-9.]*\) decode_cpu_ms=\([0-9.]*\).*/\1 (cpu \2)/p' "$work/start.log")
    [ -z "$decode" ] || decodes+=("$decode")
  done
  median=$(printf '%s\n' "${values[@]}" | sort -n | sed -n 2p)
  printf '%-34s %8s ms   (runs: %s)\n' "$look" "$median" "${values[*]}"
done
printf '%-34s %s ms\n' "sound on: sample decode (thread)" "$(IFS=,; echo "${decodes[*]}" | sed 's/,/, /g')"
stop_display

#!/usr/bin/env bash
# Measures the screensaver under Wine with its software GL (llvmpipe) on a
# virtual display and prints:
#   - frames per second at 1024x768 and 1920x1080, with the default look and
#     with motion blur 8 and halo 255 (hardware use not reduced), with the CPU
#     time per frame of all the process's threads (the rasteriser's included),
#     where a frame's time goes (simulation, grid walk, GL submission, the
#     whole RenderFrame, flush plus buffer swap) and the fragments it draws
#     (all, then the full-size grid pass / motion blur's small pass / its
#     composition);
#   - the same default frame with Mesa's no-op driver (GALLIUM_NOOP=1: nothing
#     is rasterised), i.e. the program's own CPU cost plus GL's front end;
#   - the ceiling of the machine (tools/ceiling): an empty frame, and the
#     default frame's fragment count drawn as plain 64 x 64 quads and as quads
#     of the saver's size with the saver's texture, filter and blend features;
#   - the time from process start to the first presented frame, with the
#     default look, with character blur 8 and with sound on (the built-in
#     mixer, whose output thread decodes the samples beside the first frame;
#     median of three starts), that thread's decode time, and the time of the
#     ceiling program, which sets nothing up (the floor).
# The saver's figures come from its own trace (KVS_TRACE). Runs start with a
# full screen of rain (jump-in start) and leave out their first seconds.
#   tools/bench_saver.sh [seconds per run, default 14]
#   KVS_BENCH_BASELINE=<dir>  also measure the TheKorvanSelwyth.scr and
#                             kvs_saver_options.exe in <dir> (an older build),
#                             each run right after the same run of this tree
#   KVS_BENCH_PARTS="rate noop ceiling start"  the parts to run
#   KVS_BENCH_SIZES="1024x768 1920x1080"       the screen sizes of the rates
#   KVS_BENCH_START_ONLY=1                     the same as KVS_BENCH_PARTS=start
# Needs the runnable Windows tree built (tools/test.sh or tools/run.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/wine-env.sh

tree=${KVS_BENCH_TREE:-build/$(kvs_runnable_tree)}
builds=("$PWD/$tree")
[ -n "${KVS_BENCH_BASELINE:-}" ] && builds+=("$(readlink -f "$KVS_BENCH_BASELINE")")
ceiling="$PWD/$tree/kvs_ceiling.exe"
export WINEPREFIX="$PWD/$tree/wineprefix-bench"
KVS_WINE_ARCH=$(kvs_pe_arch "$PWD/$tree/TheKorvanSelwyth.scr")
export KVS_WINE_ARCH
seconds=${1:-14}
skip=4
parts=" ${KVS_BENCH_PARTS:-rate noop ceiling start} "
[ -z "${KVS_BENCH_START_ONLY:-}" ] || parts=" start "
sizes=${KVS_BENCH_SIZES:-1024x768 1920x1080}
for b in "${builds[@]}"; do
  for f in "$b/TheKorvanSelwyth.scr" "$b/kvs_saver_options.exe"; do
    [ -f "$f" ] || { echo "missing $f: build the tree first" >&2; exit 1; }
  done
done
[ -f "$ceiling" ] || { echo "missing $ceiling: build the $tree tree first" >&2; exit 1; }
work=$(mktemp -d)
server=$(command -v wineserver || echo /usr/lib/wine/wineserver)
run=cmake/wine-run.sh

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
  $run reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
}

# CPU seconds (all threads, user and system) the saver process of <build> has used.
cpu_seconds() {
  local p
  for p in $(pgrep -f "$1/TheKorvanSelwyth.scr" || true); do
    [ "$(cat "/proc/$p/comm" 2>/dev/null)" = TheKorvanSelwyt ] || continue
    awk -v hz="$(getconf CLK_TCK)" '{ sub(/.*\) /, ""); printf "%.3f", ($12 + $13) / hz }' "/proc/$p/stat"
    return
  done
  echo 0
}

# run_saver <build> <trace> <seconds> <option=value...>: one saver run with a
# trace, inside the scratch folder (the saver appends its display log there).
# The CPU time between the trace's per-second lines number $skip and the last
# one goes to the trace as a "cpu" line, so that a busy machine (other
# processes taking turns) can be told apart from a slower frame.
run_saver() {
  local build=$1 trace=$2 duration=$3
  shift 3
  $run "$build/kvs_saver_options.exe" reduceHardwareUsage=0 fadeOut=0 "$@" >/dev/null
  rm -f "$trace"
  (cd "$work" && KVS_TRACE="$(echo "Z:$trace" | tr / '\\')" "$OLDPWD/$run" "$build/TheKorvanSelwyth.scr" /s \
    >/dev/null 2>&1) &
  local pid=$! start=$SECONDS from="" first=0 lines=0
  # The run's time counts from its first frame (a busy machine starts slowly).
  while [ $((SECONDS - start)) -lt 60 ] && ! grep -q '^first_frame' "$trace" 2>/dev/null; do sleep 0.05; done
  start=$SECONDS
  while [ $((SECONDS - start)) -lt "$duration" ]; do
    lines=$(grep -c '^second' "$trace" 2>/dev/null || true)
    if [ -z "$from" ] && [ "${lines:-0}" -ge "$skip" ]; then from=$(cpu_seconds "$build"); first=$lines; fi
    sleep 0.05
  done
  if [ -n "$from" ]; then
    local last=$lines
    for _ in $(seq 60); do
      lines=$(grep -c '^second' "$trace" 2>/dev/null || true)
      [ "$lines" -gt "$last" ] && break
      sleep 0.05
    done
    echo "cpu seconds=$(awk -v a="$from" -v b="$(cpu_seconds "$build")" 'BEGIN { print b - a }') after=$first upto=$lines" \
      >>"$trace"
  fi
  "$server" -k >/dev/null 2>&1 || true
  wait "$pid" 2>/dev/null || true
}

label_of() { [ "$1" = "${builds[0]}" ] && echo "this tree" || echo "baseline"; }

# Averages of the per-second lines after the first $skip, weighted by frames;
# CPU time per frame over the lines the "cpu" line spans.
summarise() {
  awk -v skip="$skip" -v label="$2" '
    /^second / {
      n++
      for (i = 2; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
      count[n] = v["frames"]
      if (n <= skip) next
      f = v["frames"]; frames += f; secs += f / (v["fps"] > 0 ? v["fps"] : 1)
      for (k in v) if (k != "frames" && k != "fps") { sum[k] += v[k] * f; seen[k] = 1 }
    }
    /^cpu / { for (i = 2; i <= NF; i++) { split($i, kv, "="); c[kv[1]] = kv[2] } }
    END {
      if (frames == 0) { printf "%-44s no frames measured\n", label; exit }
      for (i = c["after"] + 1; i <= c["upto"]; i++) cpuFrames += count[i]
      cpu = cpuFrames > 0 ? sprintf("%7.2f", c["seconds"] * 1000 / cpuFrames) : "      -"
      fr = seen["fragments"] ? sprintf("%5.2f M (%.2f / %.2f / %.2f)", sum["fragments"] / frames / 1e6,
             sum["grid_fragments"] / frames / 1e6, sum["small_fragments"] / frames / 1e6,
             sum["compose_fragments"] / frames / 1e6) : "-"
      printf "%-44s %6.1f fps  cpu %s  frame %7.2f  sim %5.2f  walk %5.2f  submit %6.2f  render %7.2f  present %7.2f ms  layers %5.0f  fragments %s\n",
        label, frames / secs, cpu, sum["frame_ms"] / frames, sum["sim_ms"] / frames, sum["walk_ms"] / frames,
        sum["submit_ms"] / frames, sum["render_ms"] / frames, sum["present_ms"] / frames, sum["layers"] / frames, fr
    }' "$1"
}

# Mean fragments per frame of a trace (0 when it has none).
fragments_of() {
  awk -v skip="$skip" '/^second / { n++; if (n <= skip) next
      for (i = 2; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
      frames += v["frames"]; sum += v["fragments"] * v["frames"] }
    END { printf "%d", frames ? sum / frames : 0 }' "$1"
}

# ceiling_run <label> <option=value...>: the ceiling program's figures.
ceiling_run() {
  local label=$1
  shift
  local line
  line=$(cd "$work" && "$OLDPWD/$run" "$ceiling" seconds=$((seconds - skip)) "$@" 2>/dev/null | grep '^ceiling' || true)
  printf '%-44s %s\n' "$label" "$(echo "$line" | sed -n 's/.*quads=\([0-9]*\) fragments=\([0-9]*\) fps=\([0-9.]*\) ms=\([0-9.]*\)/\3 fps  \4 ms  (\2 fragments in \1 quads)/p')"
}

declare -A default_fragments
[[ $parts == *" rate "* ]] && echo "Frame rate (Wine, llvmpipe; $((seconds - skip)) s measured per run after $skip s):"
for size in $sizes; do
  [[ $parts == *" rate "* || $parts == *" ceiling "* ]] || break
  start_display "$size"
  for look in defaults heavy; do
    [[ $parts == *" rate "* || $look == defaults ]] || continue
    for b in "${builds[@]}"; do
      [[ $parts == *" rate "* || $b == "${builds[0]}" ]] || continue
      if [ "$look" = defaults ]; then extra=(); name="defaults"; else extra=(motionBlurDepth=8 halo=255); name="motion blur 8, halo 255"; fi
      run_saver "$b" "$work/run.log" "$seconds" jumpInStart=1 "${extra[@]}"
      summarise "$work/run.log" "$size $name, $(label_of "$b")"
      if [ "$look" = defaults ] && [ "$b" = "${builds[0]}" ]; then
        default_fragments[$size]=$(fragments_of "$work/run.log")
      fi
    done
  done
  stop_display
done

if [[ $parts == *" noop "* ]]; then
  echo
  echo "No-op driver (GALLIUM_NOOP=1: nothing rasterised), 1024x768 defaults:"
  start_display 1024x768
  for b in "${builds[@]}"; do
    GALLIUM_NOOP=1 run_saver "$b" "$work/run.log" "$seconds" jumpInStart=1
    summarise "$work/run.log" "no-op driver, $(label_of "$b")"
  done
  stop_display
fi

[[ $parts == *" ceiling "* ]] && echo && echo "Ceiling of the machine (tools/ceiling, the same Wine and display):"
for size in $sizes; do
  [[ $parts == *" ceiling "* ]] || break
  start_display "$size"
  n=${default_fragments[$size]:-0}
  # The saver's large glyph quad: 1.946 cells of an 80 x 40 grid.
  quad=$(echo "$size" | awk -Fx '{ printf "%dx%d", $1 / 80 * 1.946 + 0.5, $2 / 40 * 1.946 + 0.5 }')
  ceiling_run "$size empty frame" fragments=0
  if [ "$n" -gt 0 ]; then
    ceiling_run "$size plain 64x64 quads" fragments="$n"
    ceiling_run "$size ${quad} quads as the saver draws" fragments="$n" quad="$quad" texture=128 filter=mipmap \
      alphatest=1 colours=array textures=110
  fi
  stop_display
done

[[ $parts == *" start "* ]] || exit 0
echo
echo "Process start to first presented frame (1024x768, median of 3):"
start_display 1024x768
median_of() { printf '%s\n' "$@" | sort -n | sed -n 2p; }
decodes=()
for look in "defaults" "character blur 8" "sound on"; do
  for b in "${builds[@]}"; do
    values=() cpu=()
    for attempt in 1 2 3; do
      case "$look" in
        defaults) extra=() ;;
        "sound on") extra=(soundEnabled=1 volume=128) ;;
        *) extra=(charBlurLevel=8) ;;
      esac
      run_saver "$b" "$work/start.log" 1 "${extra[@]}"
      values+=("$(sed -n 's/^first_frame ms_since_process_start=\([0-9.]*\).*/\1/p' "$work/start.log")")
      cpu+=("$(sed -n 's/^first_frame.*cpu_ms=\([0-9.]*\).*/\1/p' "$work/start.log")")
      decode=$(sed -n 's/^sound output .*decode_ms=\([0-9.]*\) decode_cpu_ms=\([0-9.]*\).*/\1 (cpu \2)/p' "$work/start.log")
      [ -z "$decode" ] || [ "$b" != "${builds[0]}" ] || decodes+=("$decode")
    done
    printf '%-44s %8s ms, CPU %7s ms   (runs: %s; CPU %s)\n' "$look, $(label_of "$b")" "$(median_of "${values[@]}")" \
      "$(median_of "${cpu[@]}")" "${values[*]}" "${cpu[*]:-}"
  done
done
printf '%-44s %s ms\n' "sound on: sample decode (thread)" "$(IFS=,; echo "${decodes[*]:-}" | sed 's/,/, /g')"
# The same for a program that only clears and swaps: Wine, the GL context and
# the first frame without any set-up of the saver's own.
values=() cpu=()
for attempt in 1 2 3; do
  line=$(cd "$work" && "$OLDPWD/$run" "$ceiling" fragments=0 seconds=1 2>/dev/null | grep '^ceiling' || true)
  values+=("$(echo "$line" | sed -n 's/.*first_frame_ms=\([0-9.]*\).*/\1/p')")
  cpu+=("$(echo "$line" | sed -n 's/.*first_frame_cpu_ms=\([0-9.]*\).*/\1/p')")
done
printf '%-44s %8s ms, CPU %7s ms   (runs: %s; CPU %s)\n' "ceiling program (empty frames)" "$(median_of "${values[@]}")" \
  "$(median_of "${cpu[@]}")" "${values[*]}" "${cpu[*]}"
stop_display

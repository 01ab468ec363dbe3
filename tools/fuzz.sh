#!/usr/bin/env bash
# Runs the fuzz targets for longer than the test command does (30 s each).
#   tools/fuzz.sh [seconds per target, default 3600] [preset|bitmap|settings ...]
# Findings are written to build/fuzz/fuzz/artifacts/; the working corpora under
# build/fuzz/fuzz/corpus/ grow from run to run and are reused by the test command.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
seconds=${1:-3600}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(preset bitmap settings)

cmake --preset fuzz >/dev/null
cmake --build build/fuzz -j"${KVS_JOBS:-2}"
dir=build/fuzz/fuzz
build/fuzz/kvs_fuzz_seeds "$dir/seeds"
for t in "${targets[@]}"; do
  mkdir -p "$dir/corpus/$t" "$dir/artifacts"
  echo "fuzz: $t for $seconds s" >&2
  ASAN_OPTIONS=detect_leaks=0 "build/fuzz/kvs_fuzz_$t" -max_total_time="$seconds" -timeout=60 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$dir/artifacts/$t-" "$dir/corpus/$t" "$dir/seeds/$t"
done

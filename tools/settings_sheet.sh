#!/usr/bin/env bash
# Photographs every page and effect group of the settings window (the built
# program under Wine on a virtual display, a hint showing on each) and gathers
# the pictures into one contact sheet: out/settings.png.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/wine-env.sh
tools/setup.sh

jobs=${KVS_JOBS:-2}
tree=$(kvs_runnable_tree)
cmake --preset win32 >/dev/null && cmake --build build/win32 -j"$jobs" --target kvs_scr
cmake --preset "$tree" >/dev/null
cmake --build "build/$tree" -j"$jobs" --target kvs_scr kvs_settings_window_wine_test

shots="build/$tree/test-output/kvs_settings_window_wine_test"
rm -f "$shots"/settings-*.png
GTEST_FILTER='SettingsScreenshots.*' ctest --test-dir "build/$tree" -R '^kvs_settings_window_wine_test$' \
  --output-on-failure
mkdir -p out
montage -label '%t' "$shots"/settings-*.png -tile 5x -geometry +4+4 -background '#101010' -fill '#7fdf7f' \
  -pointsize 14 -font DejaVu-Sans out/settings.png
echo "settings: out/settings.png"

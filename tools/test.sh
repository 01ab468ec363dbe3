#!/usr/bin/env bash
# Builds every tree and runs every test: the portable core natively under
# AddressSanitizer and UBSan, the fuzz targets for 30 s each, then the Win32 layer
# and the screensaver under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/wine-env.sh
tools/setup.sh

jobs=${KVS_JOBS:-2}
build() {
  cmake --preset "$1" >/dev/null
  cmake --build "build/$1" -j"$jobs"
}
build native
build fuzz
build win32
tree=$(kvs_runnable_tree)
[ "$tree" = win32 ] || build "$tree"

# One CTest run over both trees, so that one summary closes the run.
mkdir -p build/all
cat > build/all/CTestTestfile.cmake <<CTEST
subdirs("$PWD/build/native" "$PWD/build/fuzz" "$PWD/build/$tree")
CTEST

kvs_ensure_display 1280x1024x24
if [ "$tree" = win32 ]; then
  echo "test: the Wine tests run the shipped i686 program, build/win32/TheKorvanSelwyth.scr (32-bit Wine)"
else
  echo "test: this machine cannot execute 32-bit code: the Wine tests run the x86_64 build," \
    "build/win64/TheKorvanSelwyth.scr (64-bit Wine); the shipped i686 file is checked as data"
fi
ctest --test-dir build/all --output-on-failure -j"$jobs" "$@"

#!/usr/bin/env bash
# Writes a delay-load import library for a system DLL: the program then loads
# the DLL on the first call of one of its functions instead of at process
# start (each DLL Wine loads costs start-up time). Every function of the
# toolchain's own import library is listed.
#   delay_import_lib.sh <triplet> <dll base name> <output .a>
set -euo pipefail
triplet=$1
dll=$2
out=$3
def="$out.def"
# i686 import symbols carry the stdcall size (__imp__Name@N), which the DLL's
# export name does not (--kill-at).
if [[ $triplet == i686-* ]]; then prefix=__imp__ kill=--kill-at; else prefix=__imp_ kill=; fi
{
  echo "LIBRARY $dll.dll"
  echo "EXPORTS"
  "$triplet-nm" -g "/usr/$triplet/lib/lib$dll.a" |
    awk -v p="$prefix" '$2 == "I" && index($3, p) == 1 { print substr($3, length(p) + 1) }' | sort -u
} >"$def"
"$triplet-dlltool" $kill --input-def "$def" --dllname "$dll.dll" --output-delaylib "$out"
rm -f "$def"

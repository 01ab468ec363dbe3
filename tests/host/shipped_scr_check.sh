#!/usr/bin/env bash
# Checks the shipped i686 screensaver as data, without running it (32-bit code
# cannot run here): its PE headers, that it imports only DLLs every Windows has
# (no C++ runtime or threading DLL a user might lack), that its resources are in
# it, and that the object code of its portable core does floating-point
# arithmetic in SSE2 as the tested builds do, never on the x87 unit.
#   shipped_scr_check.sh <objdump> <TheKorvanSelwyth.scr> <object dir>...
set -uo pipefail
objdump=$1
scr=$2
shift 2
failed=0
fail() { echo "FAIL: $*"; failed=1; }

headers=$("$objdump" -p "$scr") || { echo "FAIL: $scr cannot be read"; exit 1; }
grep -q "file format pei-i386" <<<"$headers" || fail "not an i386 PE image"
grep -qE "^Magic[[:space:]]+010b" <<<"$headers" || fail "not a PE32 optional header"
grep -qE "^Subsystem[[:space:]]+00000002" <<<"$headers" || fail "not a Windows GUI program"

system_dlls=" advapi32.dll comctl32.dll comdlg32.dll gdi32.dll glu32.dll kernel32.dll msvcrt.dll \
opengl32.dll shell32.dll user32.dll wininet.dll winmm.dll "
imports=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$headers")
for dll in $imports; do
  [[ "$system_dlls" == *" $dll "* ]] || fail "imports $dll, which is not a system DLL"
done
for dll in kernel32.dll user32.dll opengl32.dll; do
  grep -qx "$dll" <<<"$imports" || fail "does not import $dll"
done

# DLLs loaded at their first call are found by name: each is named, and no
# name in the image carries a stdcall argument size (Name@8), which no
# system DLL exports.
strings_found=$(strings -a "$scr")
# Names the program looks up are constant data: the read-only data section.
rdata=$(mktemp)
"${objdump%objdump}objcopy" -O binary --only-section=.rdata "$scr" "$rdata" 2>/dev/null
names_found=$(strings -a "$rdata")
rm -f "$rdata"
[ -n "$names_found" ] || fail "no read-only data section to read names from"
for dll in comctl32.dll comdlg32.dll glu32.dll shell32.dll wininet.dll winmm.dll; do
  grep -qix "$dll" <<<"$strings_found" || grep -qix "$dll" <<<"$imports" || fail "$dll is named nowhere"
done
# A stdcall size is a multiple of 4 (Name@8); the sound library's own names
# (_Name@8) are looked up decorated on purpose.
decorated=$(grep -E '^[A-Za-z][A-Za-z0-9_]{3,}@(([0-9]?[02468])?[048]|[0-9]?[13579][26])$' <<<"$names_found")
[ -z "$decorated" ] || fail "decorated names to load at the first call: $(echo $decorated)"

# Resource types at the top of the resource directory (three spaces deep).
types=$(grep -E "^[0-9a-f]+   Entry: " <<<"$headers")
for type in "ABITMAP," "OGG," "ID: 0x000005," "ID: 0x000006," "ID: 0x00000e,"; do
  grep -qF "$type" <<<"$types" || fail "resource type ${type%,} is missing"
done

# x87 arithmetic (loads, stores and conversions of values that are already
# doubles are exact and allowed: the calling convention returns floats in ST0).
# The trace statistics (diagnostics) convert 64-bit unsigned counters, which
# i686 code does on the x87 unit with an exact correction; they print timings
# and follow no rule that must match.
x87='[[:space:]](f(i?(add|sub|subr|mul|div|divr))p?|fsqrt|fprem1?|fscale|frndint)[[:space:]]'
objects=$(find "$@" -name '*.obj' ! -name 'diagnostics.cpp.obj')
[ -n "$objects" ] || fail "no object files under $*"
for object in $objects; do
  count=$("$objdump" -d -M intel --no-show-raw-insn "$object" | grep -cE "$x87")
  [ "$count" -eq 0 ] || fail "$(basename "$object") has $count x87 arithmetic instructions"
done

[ "$failed" -eq 0 ] && echo "shipped screensaver: i386 GUI program, system DLLs only ($(echo $imports)), resources present, SSE2 arithmetic in $(wc -w <<<"$objects") objects"
exit $failed

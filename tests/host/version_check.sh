#!/usr/bin/env bash
# The version written in VERSION against what a built screensaver and the release
# package show: the version resource's numbers and texts, and the package's name.
# (The About page, the update check and preset files are checked by the unit tests.)
#   version_check.sh <TheKorvanSelwyth.scr> <VERSION> <tools/package.sh>
set -euo pipefail
scr=$1 version_file=$2 package=$3
export LC_ALL=C
version=$(head -n 1 "$version_file")
status=0
fail() { echo "version_check: $*" >&2; status=1; }
[[ $version =~ ^([0-9])\.([0-9][0-9])$ ]] || { fail "VERSION holds '$version'"; exit 1; }
major=${BASH_REMATCH[1]} minor=$((10#${BASH_REMATCH[2]}))

# VS_FIXEDFILEINFO: the signature 0xFEEF04BD, the structure version, then the
# file and product versions (major in the high word, minor in the low word).
at=$(grep -obUaP '\xbd\x04\xef\xfe' "$scr" | head -n 1 | cut -d: -f1)
if [ -z "$at" ]; then
  fail "$scr has no version resource"
else
  read -r fminor fmajor _ _ pminor pmajor _ _ < <(od -An -tu2 -j $((at + 8)) -N 16 "$scr")
  [ "$fmajor.$fminor" = "$major.$minor" ] || fail "file version $fmajor.$fminor, VERSION $major.$minor"
  [ "$pmajor.$pminor" = "$major.$minor" ] || fail "product version $pmajor.$pminor, VERSION $major.$minor"
fi
# The texts: each key's value is the next UTF-16 string.
for key in FileVersion ProductVersion; do
  value=$(strings -el -n 3 "$scr" | awk -v k="$key" 'found { print; exit } $0 == k { found = 1 }')
  [ "$value" = "$version" ] || fail "$key text '$value', VERSION '$version'"
done
name=$(bash "$package" --name)
[ "$name" = "TheKorvanSelwyth-$version.zip" ] || fail "package name $name, VERSION $version"
[ $status -eq 0 ] && echo "version $version: resource numbers and texts, package $name"
exit $status

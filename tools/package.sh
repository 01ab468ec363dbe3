#!/usr/bin/env bash
# Builds the shipped i686 screensaver and writes the release a user downloads:
#   out/dist/TheKorvanSelwyth-<version>.zip   TheKorvanSelwyth.scr, README.TXT, LICENSE.TXT
#   out/dist/SHA256SUMS                       its checksum (sha256sum -c SHA256SUMS)
# The version comes from the VERSION file, like the program's own; the package is
# refused when the built file's version resource says otherwise.
#   ./tools/package.sh          build and package
#   ./tools/package.sh --name   print the package's file name only
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
version=$(head -n 1 VERSION)
[[ $version =~ ^[0-9]\.[0-9][0-9]$ ]] || { echo "package: VERSION holds '$version', not D.DD" >&2; exit 1; }
name=TheKorvanSelwyth-$version.zip
if [ "${1:-}" = --name ]; then
  echo "$name"
  exit 0
fi

tools/setup.sh
cmake --preset win32 >/dev/null
cmake --build build/win32 --target kvs_scr -j"${KVS_JOBS:-1}" >/dev/null
scr=build/win32/TheKorvanSelwyth.scr
bash tests/host/version_check.sh "$scr" VERSION "$0" >/dev/null
# Nothing of this machine travels with it: no path of the source or build folders.
if strings -a "$scr" | grep -qF "$root"; then
  echo "package: $scr holds the build path $root" >&2
  exit 1
fi

dist=out/dist
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$dist"

# Text files with CR LF line ends (Notepad on older Windows shows nothing else);
# the server address is the one the program asks.
server=$(sed -n 's/^constexpr char kServerAddress\[\] = "\([^"]*\)";.*/\1/p' src/net/endpoints.h)
[ -n "$server" ] || { echo "package: no server address in src/net/endpoints.h" >&2; exit 1; }
crlf() { sed -e 's/\r$//' -e 's/$/\r/'; }
sed -e "s|@VERSION@|$version|g" -e "s|@SERVER@|$server|g" resources/package/readme.txt | crlf >"$stage/README.TXT"
crlf <LICENSE >"$stage/LICENSE.TXT"
cp "$scr" "$stage/TheKorvanSelwyth.scr"

# Stored or deflated entries without folders, extra fields or build paths, with
# the time of the last commit (the same sources give the same package).
stamp=$(TZ=UTC git log -1 --format=%cd --date=format-local:%Y%m%d%H%M.%S 2>/dev/null || TZ=UTC date +%Y%m%d%H%M.%S)
TZ=UTC touch -t "$stamp" "$stage"/*
rm -f "$dist/$name"
(cd "$stage" && TZ=UTC zip -q -X -D -9 "$root/$dist/$name" TheKorvanSelwyth.scr README.TXT LICENSE.TXT)
(cd "$dist" && sha256sum "$name" >SHA256SUMS)

unzip -l "$dist/$name"
echo "$dist/$name: $(stat -c %s "$dist/$name") bytes"
cat "$dist/SHA256SUMS"

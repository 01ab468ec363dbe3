#!/usr/bin/env bash
# Builds (optimised, without sanitizers) and runs the maker's server of the update
# check and the feedback form. Arguments pass through to kvs_server; relative
# folders are taken from the repository's root.
#   ./tools/serve.sh [--listen ADDRESS] [--port N] [--data DIR]   serve (default 0.0.0.0:8080, server-data/)
#   ./tools/serve.sh publish [--data DIR] VERSION [ADDRESS...]    publish a version number
#   ./tools/serve.sh publish [--data DIR] --package ZIP BASE_ADDRESS [ADDRESS...]
#       publish a release package (tools/package.sh): its version from its name
#       (TheKorvanSelwyth-<version>.zip), checked against SHA256SUMS beside it,
#       and its download address BASE_ADDRESS/<its name> first
#   ./tools/serve.sh dump [--data DIR]                            print the stored feedback
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset bench >/dev/null
cmake --build build/bench --target kvs_server -j"${KVS_JOBS:-2}" >/dev/null

# publish --package: the package's version and address become the arguments.
if [ "${1:-}" = publish ]; then
  args=(publish)
  shift
  package=""
  while [ $# -gt 0 ]; do
    case $1 in
      --package) package=${2:?--package needs a file}; shift 2 ;;
      --data) args+=("$1" "${2:?--data needs a folder}"); shift 2 ;;
      *) break ;;
    esac
  done
  if [ -n "$package" ]; then
    file=$(basename "$package")
    [[ $file =~ ^TheKorvanSelwyth-([0-9]\.[0-9][0-9])\.zip$ ]] ||
      { echo "serve: $file is not named TheKorvanSelwyth-<version>.zip" >&2; exit 2; }
    version=${BASH_REMATCH[1]}
    [ $# -ge 1 ] || { echo "serve: publish --package needs the address the package is served from" >&2; exit 2; }
    base=${1%/}
    shift
    sums=$(dirname "$package")/SHA256SUMS
    (cd "$(dirname "$package")" && grep -F " $file" SHA256SUMS | sha256sum -c --quiet -) ||
      { echo "serve: $file does not match $sums" >&2; exit 1; }
    set -- "$version" "$base/$file" "$@"
  fi
  set -- "${args[@]}" "$@"
fi
exec build/bench/server/kvs_server "$@"

#!/usr/bin/env bash
# Builds (optimised, without sanitizers) and runs the maker's server of the update
# check and the feedback form. Arguments pass through to kvs_server; relative
# folders are taken from the repository's root.
#   ./tools/serve.sh [--listen ADDRESS] [--port N] [--data DIR]   serve (default 0.0.0.0:8080, server-data/)
#   ./tools/serve.sh publish [--data DIR] VERSION [ADDRESS...]    publish a version number
#   ./tools/serve.sh dump [--data DIR]                            print the stored feedback
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset bench >/dev/null
cmake --build build/bench --target kvs_server -j"${KVS_JOBS:-2}" >/dev/null
exec build/bench/server/kvs_server "$@"

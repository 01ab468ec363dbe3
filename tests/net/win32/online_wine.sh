#!/usr/bin/env bash
# Runs the online services' Wine test against the real server on loopback: starts
# kvs_server on a free port with an empty data folder, runs the test program with
# KVS_SERVER and KVS_SERVER_DATA pointing at it, then compares the stored feedback
# rows with online_rows.txt and stops the server.
#   online_wine.sh <kvs_server> <test program> [arguments...]
set -uo pipefail
server=$1
exe=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)

data=$(mktemp -d "${TMPDIR:-/tmp}/kvs-online.XXXXXX")
"$server" --listen 127.0.0.1 --port 0 --data "$data" >"$data/server.out" 2>"$data/server.log" &
pid=$!
trap 'kill $pid 2>/dev/null; wait $pid 2>/dev/null; rm -rf "$data"' EXIT

for _ in $(seq 100); do
  grep -q '^listening on ' "$data/server.out" && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
address=$(sed -n 's/^listening on //p' "$data/server.out")
[ -n "$address" ] || { echo "the server did not start" >&2; cat "$data/server.log" >&2; exit 1; }

# Time-outs of 1.5 s instead of 15 s keep the stalled-server cases short.
KVS_SERVER=$address KVS_SERVER_DATA=$data KVS_TEST_NET_TIMEOUT_MS=1500 "$root/cmake/wine-run.sh" "$exe" "$@"
status=$?

# Every stored row without its reception time, against the rows the test typed.
if ! "$server" dump --data "$data" | cut -f2- | diff -u "$here/online_rows.txt" - ; then
  echo "the stored feedback differs from what the test typed" >&2
  status=1
fi
sed 's/^/server: /' "$data/server.log"
exit $status

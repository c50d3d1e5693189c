#!/usr/bin/env bash
# Runs a Windows test program under Wine against the real stand-in gateway (the Linux build) on a
# free loopback port, with an account "alice" (password s3cret, 5000 credits, sender ID ACME).
# The program finds the gateway in QV_GATEWAY (host:port) and its database in QV_GATEWAY_DB.
# usage: against_gateway.sh GATEWAY WINE-RUN BITS PROGRAM ARGS...
set -euo pipefail
gateway=$1
shift
if [ ! -x "$gateway" ]; then
  echo "The gateway $gateway is not built: build the Linux tree first (scripts/test does)." >&2
  exit 1
fi
dir=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -rf "$dir"' EXIT
db="$dir/gateway.db"
"$gateway" --db "$db" account add alice --password s3cret --credits 5000 --sender-id ACME >/dev/null
"$gateway" --db "$db" --listen 127.0.0.1:0 >"$dir/out" 2>&1 &
pid=$!
for _ in $(seq 100); do
  grep -q '^Listening on ' "$dir/out" && break
  sleep 0.1
done
address=$(sed -n 's/^Listening on \(http:\/\/\)\{0,1\}\([^ ]*\).*/\2/p' "$dir/out" | head -1)
[ -n "$address" ] || { cat "$dir/out" >&2; exit 1; }
QV_GATEWAY=$address QV_GATEWAY_DB=$db "$@"

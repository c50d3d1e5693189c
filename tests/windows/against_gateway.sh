#!/usr/bin/env bash
# Runs a Windows test program under Wine against the real stand-in gateway (the Linux build) on a
# free loopback port, with an account "alice" (password s3cret, 5000 credits, sender ID ACME).
# The program finds the gateway in QV_GATEWAY (host:port) and its database in QV_GATEWAY_DB.
# Beside it three more serve https with the same account, their certificates from a throwaway
# authority whose certificate (PEM) is in QV_GATEWAY_CA: QV_GATEWAY_HTTPS (https://host:port, a
# certificate for 127.0.0.1), QV_GATEWAY_MISNAMED (one for another name) and QV_GATEWAY_STRANGER
# (one for 127.0.0.1 that no authority signed but itself).
# usage: against_gateway.sh GATEWAY WINE-RUN BITS PROGRAM ARGS...
set -euo pipefail
gateway=$1
shift
if [ ! -x "$gateway" ]; then
  echo "The gateway $gateway is not built: build the Linux tree first (scripts/test does)." >&2
  exit 1
fi
dir=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; wait "${pids[@]}" 2>/dev/null || true; rm -rf "$dir"' EXIT
"$(dirname "$0")/../support/make_certificates.sh" "$dir/certificates"
# Starts a gateway NAME with OPTIONS, on a database of its own; what it says goes to DIR/NAME.out.
start() {
  local name=$1
  shift
  "$gateway" --db "$dir/$name.db" account add alice --password s3cret --credits 5000 \
    --sender-id ACME >/dev/null
  "$gateway" --db "$dir/$name.db" --listen 127.0.0.1:0 "$@" >"$dir/$name.out" 2>&1 &
  pids+=("$!")
  for _ in $(seq 100); do
    grep -q '^Listening on ' "$dir/$name.out" && break
    sleep 0.1
  done
}
start plain
start https --cert "$dir/certificates/service.pem" --key "$dir/certificates/service.key"
start misnamed --cert "$dir/certificates/misnamed.pem" --key "$dir/certificates/misnamed.key"
start stranger --cert "$dir/certificates/stranger.pem" --key "$dir/certificates/stranger.key"
listening() { sed -n 's/^Listening on \(.*\)/\1/p' "$dir/$1.out" | head -1; }
for name in plain https misnamed stranger; do
  [ -n "$(listening "$name")" ] || { cat "$dir/$name.out" >&2; exit 1; }
done
QV_GATEWAY=$(listening plain) QV_GATEWAY_DB=$dir/plain.db QV_GATEWAY_HTTPS=$(listening https) \
  QV_GATEWAY_MISNAMED=$(listening misnamed) QV_GATEWAY_STRANGER=$(listening stranger) QV_GATEWAY_CA=$(cat "$dir/certificates/ca.pem") "$@"

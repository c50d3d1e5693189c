#!/usr/bin/env bash
# Makes, in DIR, a throwaway certificate authority and two server certificates it signs, for the
# tests of https: ca.pem (the authority), service.pem/service.key (valid for 127.0.0.1 and
# localhost), misnamed.pem/misnamed.key (valid only for elsewhere.invalid) and, apart,
# stranger.pem/stranger.key (valid for 127.0.0.1, signed by itself alone). Each lasts two
# days from now, as the clock the tests run under tells it.
# usage: make_certificates.sh DIR
set -euo pipefail
dir=$1
mkdir -p "$dir"
cd "$dir"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -sha256 -subj "/CN=Quorvalent Test Authority" \
  -keyout ca.key -out ca.pem \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
  2>/dev/null
issue() {
  local name=$1 names=$2
  openssl req -newkey rsa:2048 -nodes -sha256 -subj "/CN=$name" -keyout "$name.key" \
    -out "$name.csr" 2>/dev/null
  printf '%s\n' "basicConstraints=CA:FALSE" "keyUsage=critical,digitalSignature,keyEncipherment" \
    "extendedKeyUsage=serverAuth" "subjectAltName=$names" >"$name.ext"
  openssl x509 -req -in "$name.csr" -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -sha256 \
    -extfile "$name.ext" -out "$name.pem" 2>/dev/null
  rm "$name.csr" "$name.ext"
}
# Wine's WinINet matches a host only against the DNS names of a certificate, so the address is
# one of them too, beside its entry as an address (which curl matches).
issue service "IP:127.0.0.1,DNS:127.0.0.1,DNS:localhost"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -sha256 -subj "/CN=127.0.0.1" \
  -keyout stranger.key -out stranger.pem -addext "subjectAltName=IP:127.0.0.1,DNS:127.0.0.1" \
  2>/dev/null
issue misnamed "DNS:elsewhere.invalid"

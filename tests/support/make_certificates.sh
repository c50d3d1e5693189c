#!/usr/bin/env bash
# Makes, in DIR, a throwaway certificate authority and two server certificates it signs, for the
# tests of https: ca.pem (the authority), service.pem/service.key (valid for 127.0.0.1 and
# localhost) and misnamed.pem/misnamed.key (valid only for elsewhere.invalid). Each lasts two
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
issue service "IP:127.0.0.1,DNS:localhost"
issue misnamed "DNS:elsewhere.invalid"

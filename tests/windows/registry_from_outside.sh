#!/usr/bin/env bash
# Checks the registry store's layout as another program sees it: the test program saves the keys
# and leaves them; `reg query` of the same Wine prefix must find them, one REG_SZ value a key.
# usage: registry_from_outside.sh WINE-RUN BITS TEST-PROGRAM
set -euo pipefail
run=$1
bits=$2
program=$3
QV_KEEP_REGISTRY=1 "$run" "$bits" "$program" --gtest_filter='RegistryTest.EachKeyIsOneStringValueOfItsSection'
key='HKCU\Software\VB and VBA Program Settings\QuorvalentTest'
seen=$("$run" "$bits" reg query "$key\\STARTUP" | tr -d '\r')
"$run" "$bits" reg delete "$key" /f >/dev/null
echo "$seen"
grep -Eq '^ +MODES +REG_SZ +L-Live,E-Excel Add-in$' <<<"$seen"

#!/usr/bin/env bash
# Registers the built DLL with regsvr32 in the build's Wine prefix, checks the keys from outside
# with `reg query`, runs the DLL's tests against it, then unregisters it and checks that every
# key it wrote is gone. Wine looks classes up in HKLM only, so the per-user keys are copied there
# for the tests' CoCreateInstance (the DLL itself writes HKCU only) and removed after.
# usage: dll_test.sh WINE-RUN BITS DLL TESTS
set -euo pipefail
run=$1 bits=$2 dll=$3 tests=$4
wine() { "$run" "$bits" "$@"; }
windll="Z:$(echo "$dll" | tr / '\\')"
cls='{D3D2BCCD-31E8-44DC-9796-CA50A1F99AEC}'
classes='HKCU\Software\Classes'
addin='HKCU\Software\Microsoft\Office\Excel\Addins\Quorvalent_Excel.Connect'
fail() { echo "dll_test: $*" >&2; exit 1; }
query() { wine reg query "$@" 2>/dev/null | tr -d '\r'; }

cleanup() {
  wine reg delete "HKLM\\Software\\Classes\\CLSID\\$cls" /f >/dev/null 2>&1 || true
  wine reg delete 'HKLM\Software\Classes\Quorvalent_Excel.Connect' /f >/dev/null 2>&1 || true
}
trap cleanup EXIT

wine regsvr32 /s "$windll" || fail "regsvr32 failed with $?"
# Twice is harmless.
wine regsvr32 /s "$windll" || fail "a second regsvr32 failed with $?"
query "$classes\\CLSID\\$cls\\InprocServer32" /ve | grep -qF "$windll" || fail "no InprocServer32"
query "$classes\\CLSID\\$cls\\InprocServer32" /v ThreadingModel | grep -q Apartment ||
  fail "no ThreadingModel"
query "$classes\\Quorvalent_Excel.Connect\\CLSID" /ve | grep -qF "$cls" || fail "no ProgID"
query "$addin" /v LoadBehavior | grep -q 'REG_DWORD *0x3' || fail "no LoadBehavior 3"
query "$addin" /v FriendlyName | grep -q 'Quorvalent Excel' || fail "no FriendlyName"

wine reg copy "$classes\\CLSID\\$cls" "HKLM\\Software\\Classes\\CLSID\\$cls" /s /f >/dev/null
wine reg copy "$classes\\Quorvalent_Excel.Connect" 'HKLM\Software\Classes\Quorvalent_Excel.Connect' \
  /s /f >/dev/null
QV_EXCEL_DLL="$windll" wine "$tests"
cleanup

wine regsvr32 /u /s "$windll" || fail "regsvr32 /u failed with $?"
wine regsvr32 /u /s "$windll" || fail "a second regsvr32 /u failed with $?"
for key in "$classes\\CLSID\\$cls" "$classes\\Quorvalent_Excel.Connect" "$addin" \
  "$classes\\TypeLib\\{B8A85267-AFF8-425E-AFD9-A66B1D5CC814}" \
  "$classes\\Interface\\{CE49F1D3-7A34-48D0-9F9C-A12545713902}"; do
  if wine reg query "$key" >/dev/null 2>&1; then fail "$key is still there"; fi
done
echo "dll_test: registered, created, connected, unregistered"

#!/usr/bin/env bash
# Registers the built DLL with regsvr32 in the build's Wine prefix, checks the keys from outside
# with `reg query`, runs the DLL's tests against it, then unregisters it and checks that every
# key it wrote is gone. Wine looks classes up in HKLM only, so the per-user keys are copied there
# for the tests' CoCreateInstance (the DLL itself writes HKCU only) and removed after.
# usage: dll_test.sh WINE-RUN BITS DLL TESTS
set -euo pipefail
run=$1 bits=$2 dll=$3 tests=$4
wine() { "$run" "$bits" "$@"; }
view=$bits
windll="Z:$(echo "$dll" | tr / '\\')"
. "$(dirname "$0")/addin_keys.sh"
trap remove_class_from_machine EXIT

wine regsvr32 /s "$windll" || fail "regsvr32 failed with $?"
# Twice is harmless.
wine regsvr32 /s "$windll" || fail "a second regsvr32 failed with $?"
expect_registered "$windll"
copy_class_to_machine
QV_EXCEL_DLL="$windll" wine "$tests"
remove_class_from_machine

wine regsvr32 /u /s "$windll" || fail "regsvr32 /u failed with $?"
wine regsvr32 /u /s "$windll" || fail "a second regsvr32 /u failed with $?"
expect_unregistered
echo "dll_test: registered, created, connected, unregistered"

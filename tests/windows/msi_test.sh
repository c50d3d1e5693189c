#!/usr/bin/env bash
# Installs the machine-wide MSI silently under wine64 in the x64 build's prefix, as an
# administrator or group policy does (msiexec /i ... /qn SERVICE=...): both DLLs under
# %ProgramFiles%\Quorvalent, the keys under HKLM in both registry views, the service address
# stored for every user, the class created and connected from the installed DLL; then removes it
# (msiexec /x ... /qn) and checks that nothing of it is left.
# usage: msi_test.sh MSI DLL-TESTS (the x64 qv_excel_dll_tests.exe)
set -euo pipefail
msi=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
tests=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
dir=$(dirname "$tests")
while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
export WINEPREFIX="${WINEPREFIX:-$dir/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wine() { /usr/lib/wine/wine64 "$@"; }
root=HKLM
view=64
. "$(dirname "$0")/addin_keys.sh"
machine='HKLM\Software\Quorvalent\Excel'
program_files=$(wine cmd /c echo %ProgramFiles% | tr -d '\r')
install_dir="$program_files\\Quorvalent"
unix_dir=$(wine winepath -u "$install_dir" | tr -d '\r')
package=$(wine winepath -w "$msi" | tr -d '\r')
trap 'wine msiexec /x "$package" /qn >/dev/null 2>&1 || true' EXIT

wine msiexec /i "$package" /qn SERVICE=https://sms.example.com:8443 || fail "msiexec /i failed with $?"
wineserver -w
for f in x64/quorvalent_excel.dll x86/quorvalent_excel.dll; do
  [ -f "$unix_dir/$f" ] || fail "$f was not installed"
done
view=64 expect_registered "$install_dir\\x64\\quorvalent_excel.dll"
view=32 expect_registered "$install_dir\\x86\\quorvalent_excel.dll"
view=64 query "$machine" /v ServiceAddress | grep -q 'https://sms.example.com:8443' ||
  fail "no service address for the machine"
QV_EXCEL_DLL="$install_dir\\x64\\quorvalent_excel.dll" wine "$tests" \
  --gtest_filter='*CreatedByItsProgId*' >/dev/null || fail "the installed class did not work"

wine msiexec /x "$package" /qn || fail "msiexec /x failed with $?"
wineserver -w
[ ! -e "$unix_dir" ] || fail "$unix_dir is still there: $(ls -R "$unix_dir")"
view=64 expect_unregistered
view=32 expect_unregistered
if view=64 query "$machine" /v ServiceAddress >/dev/null; then fail "the service address is left"; fi
trap - EXIT
echo "msi_test: installed for the machine, registered in both views, created, removed"

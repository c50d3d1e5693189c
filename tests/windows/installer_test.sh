#!/usr/bin/env bash
# Installs the add-in silently with its setup under wine64 in the x64 build's prefix, as a user
# without administrator rights would: the files under the user's programs folder, the keys
# registered, the service address stored, the class creatable; then uninstalls it and checks
# that nothing of it is left. A setup given an address the add-in cannot use fails and leaves
# nothing either.
# usage: installer_test.sh SETUP DLL-TESTS (the x64 qv_excel_dll_tests.exe)
set -euo pipefail
setup=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
tests=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
prefix_of() {
  local dir
  dir=$(dirname "$1")
  while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
  echo "$dir/wineprefix"
}
export WINEPREFIX="${WINEPREFIX:-$(prefix_of "$tests")}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wine() { /usr/lib/wine/wine64 "$@"; }
view=64
. "$(dirname "$0")/addin_keys.sh"
trap remove_class_from_machine EXIT
settings='HKCU\Software\VB and VBA Program Settings\QuorvalentExcel\Service'
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvalent_Excel'

local_appdata=$(wine cmd /c echo %LOCALAPPDATA% | tr -d '\r')
install_dir="$local_appdata\\Programs\\Quorvalent"
unix_dir=$(wine winepath -u "$install_dir" | tr -d '\r')
expect_nothing_left() {
  [ ! -e "$unix_dir" ] || fail "$unix_dir is still there: $(ls -R "$unix_dir")"
  expect_unregistered
  if query "$uninstall_key" >/dev/null; then fail "the uninstall entry is left"; fi
}

wine reg delete "$settings" /v Address /f >/dev/null 2>&1 || true
# A service address the add-in cannot use stops the setup.
if wine "$setup" /S /SERVICE=gateway.example.com:0; then fail "a bad service address installed"; fi
wineserver -w
expect_nothing_left
if query "$settings" /v Address | grep -q example; then fail "the bad address was stored"; fi

wine "$setup" /S /SERVICE=gateway.example.com:8443 || fail "the setup failed with $?"
wineserver -w
for f in x64/quorvalent_excel.dll x86/quorvalent_excel.dll uninstall.exe; do
  [ -f "$unix_dir/$f" ] || fail "$f was not installed"
done
expect_registered "$install_dir\\x64\\quorvalent_excel.dll"
query "$settings" /v Address | grep -q 'gateway.example.com:8443' || fail "no service address"
query "$uninstall_key" /v UninstallString | grep -qiF "$install_dir\\uninstall.exe" ||
  fail "no uninstall entry"
copy_class_to_machine
QV_EXCEL_DLL="$install_dir\\x64\\quorvalent_excel.dll" wine "$tests" \
  --gtest_filter='*CreatedByItsProgId*' >/dev/null || fail "the installed class did not work"
remove_class_from_machine

wine "$unix_dir/uninstall.exe" /S || fail "the uninstaller failed with $?"
wineserver -w
expect_nothing_left
echo "installer_test: installed, registered, created, uninstalled"

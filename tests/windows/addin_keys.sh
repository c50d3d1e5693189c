# Sourced by the Windows tests' scripts: the add-in's registry keys as regsvr32 writes them (or,
# with `root=HKLM` set before, as the machine-wide installer does), and helpers around `reg` in a
# Wine prefix. Needs a function `wine` that runs a Windows program and `view`, the registry view
# of the DLL under test (64 or 32).
cls='{D3D2BCCD-31E8-44DC-9796-CA50A1F99AEC}'
root=${root:-HKCU}
classes="$root\\Software\\Classes"
addin="$root\\Software\\Microsoft\\Office\\Excel\\Addins\\Quorvalent_Excel.Connect"
registered_keys=("$classes\\CLSID\\$cls" "$classes\\Quorvalent_Excel.Connect" "$addin"
  "$classes\\TypeLib\\{B8A85267-AFF8-425E-AFD9-A66B1D5CC814}"
  "$classes\\Interface\\{CE49F1D3-7A34-48D0-9F9C-A12545713902}")

fail() { echo "$(basename "$0"): $*" >&2; exit 1; }
query() { wine reg query "$@" "/reg:$view" 2>/dev/null | tr -d '\r'; }

# Wine looks classes up in HKLM only: the per-user class and ProgID are copied there for a test's
# CoCreateInstance (the DLL itself writes HKCU only) and removed after.
copy_class_to_machine() {
  wine reg copy "$classes\\CLSID\\$cls" "HKLM\\Software\\Classes\\CLSID\\$cls" /s /f >/dev/null
  wine reg copy "$classes\\Quorvalent_Excel.Connect" \
    'HKLM\Software\Classes\Quorvalent_Excel.Connect' /s /f >/dev/null
}
remove_class_from_machine() {
  wine reg delete "HKLM\\Software\\Classes\\CLSID\\$cls" /f >/dev/null 2>&1 || true
  wine reg delete 'HKLM\Software\Classes\Quorvalent_Excel.Connect' /f >/dev/null 2>&1 || true
}

# Fails unless `dll` (a Windows path) is registered as the add-in below `root`.
expect_registered() {
  local dll=$1
  query "$classes\\CLSID\\$cls\\InprocServer32" /ve | grep -qiF "$dll" || fail "no InprocServer32 $dll"
  query "$classes\\CLSID\\$cls\\InprocServer32" /v ThreadingModel | grep -q Apartment ||
    fail "no ThreadingModel"
  query "$classes\\Quorvalent_Excel.Connect\\CLSID" /ve | grep -qF "$cls" || fail "no ProgID"
  query "$addin" /v LoadBehavior | grep -q 'REG_DWORD *0x3' || fail "no LoadBehavior 3"
  query "$addin" /v FriendlyName | grep -q 'Quorvalent Excel' || fail "no FriendlyName"
}

expect_unregistered() {
  local key
  for key in "${registered_keys[@]}"; do
    if wine reg query "$key" "/reg:$view" >/dev/null 2>&1; then fail "$key is still there"; fi
  done
}

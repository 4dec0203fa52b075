#!/usr/bin/env bash
# Builds the windows preset (TarnVelloc.dll, TarnErp.dll, the unit tests and the C++ client, with
# mingw-w64) and the default preset's velloc and SQLite extension, and tests the DLLs under Wine
# in a fresh prefix in a temporary folder, removed at the end together with its wineserver and
# the test database, whatever happens:
#   - the unit tests pass, every one listed;
#   - regsvr32 registers TarnVelloc.dll and TarnErp.dll (the registry then holds their entries)
#     and unregisters them again (the registry then holds none of them);
#   - with no outside component registered yet, the VBScript screens (tests/windows/*.vbs) run by
#     cscript print "END 0 failures" (Wine's cscript ends with status 0 even after a script
#     error, so the END line is required), and so does the early-bound C++ client;
#   - end to end: with TarnErp.dll's connection object registered as ADODB.Connection (regsvr32
#     /n /i:ADODB.Connection, for this prefix only), tests/windows/database/screen_over_odbc.vbs
#     drives the component over the demo database built by velloc, reached through Wine's odbc32,
#     the host's unixODBC and its SQLite ODBC driver; the value it archived is then in the
#     database exactly once, read by the sqlite3 shell; unregistering gives ADODB.Connection its
#     earlier class back.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh mingw-w64 mingw-w64-tools wine wine64 libwine-dev
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)" --target unit_tests tarn_com_velloc tarn_com_erp \
  early_binding_client
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target velloc tarn_sqlite_erp

bin=$PWD/build/windows/bin
prefix=$(mktemp -d "${TMPDIR:-/tmp}/tarn-wine.XXXXXX")
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$prefix"
}
trap cleanup EXIT

fail() {
  echo "test-windows: $*" >&2
  exit 1
}

echo "== Wine prefix $prefix"
wineboot -i >/dev/null 2>&1
wineserver -w

echo "== unit tests under Wine"
listed=$(wine "$bin/unit_tests.exe" --gtest_list_tests | grep -c '^  ')
output=$(wine "$bin/unit_tests.exe" --gtest_brief=1 2>&1) || fail "unit tests failed: $output"
grep -q "^\[  PASSED  \] $listed tests\.\?" <<<"$output" || fail "not all $listed unit tests passed: $output"
echo "$listed unit tests passed"

dll=$(winepath -w "$bin/TarnVelloc.dll")
erp_dll=$(winepath -w "$bin/TarnErp.dll")
velloc_class='{AC198B38-EAC1-4786-A55E-C27987EF321C}'
# TarnErp.dll's ProgIDs and the class each names; the column-settings class has two ProgIDs, and
# its class key names the first.
erp_classes=("TarnDataSvc.IDataSvc {5A1E0D01-7C3B-4E21-9A10-3D42117E0001}"
             "TarnVoucherSvc.IVoucherSvc {5A1E0D02-7C3B-4E21-9A10-3D42117E0002}"
             "TarnColumnSvc.IColumnSvc {5A1E0D03-7C3B-4E21-9A10-3D42117E0003}"
             "TarnColSetSvc.IColumnSvc {5A1E0D03-7C3B-4E21-9A10-3D42117E0003}"
             "TarnRowAuthSvc.IRowAuth {5A1E0D04-7C3B-4E21-9A10-3D42117E0004}"
             "TarnUtil.IUtil {5A1E0D05-7C3B-4E21-9A10-3D42117E0005}")
connection_class='{5A1E0D06-7C3B-4E21-9A10-3D42117E0006}'
keys=("HKCR\\TarnVelloc.clsVelloc" "HKCR\\CLSID\\$velloc_class"
      'HKCR\TypeLib\{18AEAFA8-DDF8-4622-83E7-FA933C3DB99B}'
      'HKCR\Interface\{93B286A6-0143-4C29-832F-445F4E7ED651}' "HKCR\\CLSID\\$connection_class")
for entry in "${erp_classes[@]}"; do
  keys+=("HKCR\\${entry% *}" "HKCR\\CLSID\\${entry#* }")
done
# The key's entries, or nothing when there is no such key.
registry() {
  local out
  if out=$(wine reg query "$1" /s 2>/dev/null); then tr -d '\r' <<<"$out"; fi
}
# The key's entries without the blank lines around them.
registry_trimmed() {
  registry "$1" | sed -e '/./,$!d' | sed -e :a -e '/^\n*$/{$d;N;ba' -e '}'
}
# The default value of a key.
registry_default() {
  registry "$1" | sed -n 's/^    (Default)    REG_SZ    //p' | head -n 1
}
# The entries of a class registered by ProgID: class_entries CLASS PROGID DLL
class_entries() {
  printf '%s\n' "HKEY_CLASSES_ROOT\\CLSID\\$1
    (Default)    REG_SZ    $2

HKEY_CLASSES_ROOT\\CLSID\\$1\\InprocServer32
    (Default)    REG_SZ    $3
    ThreadingModel    REG_SZ    Apartment

HKEY_CLASSES_ROOT\\CLSID\\$1\\ProgID
    (Default)    REG_SZ    $2"
}
expect_entries() {
  local actual
  actual=$(registry_trimmed "$1")
  [[ "$actual" == "$2" ]] || fail "entries of $1:
$actual
expected:
$2"
}

echo "== regsvr32"
wine regsvr32 /s "$dll" || fail "regsvr32 could not register $dll"
expect_entries "HKCR\\CLSID\\$velloc_class" "$(class_entries "$velloc_class" TarnVelloc.clsVelloc "$dll")

HKEY_CLASSES_ROOT\\CLSID\\$velloc_class\\TypeLib
    (Default)    REG_SZ    {18AEAFA8-DDF8-4622-83E7-FA933C3DB99B}"
[[ "$(registry_default 'HKCR\TarnVelloc.clsVelloc\CLSID')" == "$velloc_class" ]] ||
  fail "the ProgID TarnVelloc.clsVelloc does not name its class id"
for key in "${keys[@]:2:2}"; do
  [[ -n "$(registry "$key")" ]] || fail "$key is missing after regsvr32"
done

run_checked() {
  local what=$1
  shift
  local output
  output=$("$@" 2>&1 | tr -d '\r') || true
  if grep -q '^FAIL' <<<"$output" || ! grep -q '^END 0 failures$' <<<"$output"; then
    fail "$what:
$output"
  fi
  echo "$what: $(tail -n 1 <<<"$output")"
}

echo "== VBScript screens (cscript)"
for script in tests/windows/*.vbs; do
  run_checked "$script" wine cscript //nologo "$(winepath -w "$PWD/$script")"
done

echo "== early-bound C++ client"
run_checked early_binding_client wine "$bin/early_binding_client.exe"

echo "== regsvr32 TarnErp.dll"
wine regsvr32 /s "$erp_dll" || fail "regsvr32 could not register $erp_dll"
for entry in "${erp_classes[@]}"; do
  progid=${entry% *} class=${entry#* }
  [[ "$(registry_default "HKCR\\$progid\\CLSID")" == "$class" ]] ||
    fail "the ProgID $progid does not name $class"
  [[ $progid == TarnColSetSvc.* ]] ||
    expect_entries "HKCR\\CLSID\\$class" "$(class_entries "$class" "$progid" "$erp_dll")"
done
[[ -z "$(registry "HKCR\\CLSID\\$connection_class")" ]] ||
  fail "regsvr32 registered the connection object without /i:ADODB.Connection"
echo "TarnErp.dll registered"

echo "== end to end over ODBC (TarnErp.dll as ADODB.Connection)"
wine_connection=$(registry_default 'HKCR\ADODB.Connection\CLSID')
wine regsvr32 /s /n /i:ADODB.Connection "$erp_dll" ||
  fail "regsvr32 /n /i:ADODB.Connection could not register the connection object"
[[ "$(registry_default 'HKCR\ADODB.Connection\CLSID')" == "$connection_class" ]] ||
  fail "ADODB.Connection does not name TarnErp.dll's connection object"
database=$prefix/erp.db
extension=$PWD/build/default/lib/libtarn_sqlite_erp.so
build/default/bin/velloc --db "$database" demo >/dev/null
odbc_driver=/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so
archived="Wing $$"
run_checked tests/windows/database/screen_over_odbc.vbs wine cscript //nologo \
  "$(winepath -w "$PWD/tests/windows/database/screen_over_odbc.vbs")" \
  "Driver=$odbc_driver;Database=$database;LoadExt=$extension" "$archived"
count=$(sqlite3 "$database" -cmd ".load ${extension%.so}" \
  "select count(*) from UserDefine where cID = 'H01' and cValue = '$archived'")
[[ "$count" == 1 ]] || fail "the archived value '$archived' is in the database $count times"
echo "the archived value is in the database once"
wine regsvr32 /s /u /n /i:ADODB.Connection "$erp_dll" ||
  fail "regsvr32 /u /n /i:ADODB.Connection could not unregister the connection object"
[[ "$(registry_default 'HKCR\ADODB.Connection\CLSID')" == "$wine_connection" ]] ||
  fail "ADODB.Connection does not name $wine_connection again"

echo "== regsvr32 /u"
wine regsvr32 /s /u "$dll" || fail "regsvr32 /u could not unregister $dll"
wine regsvr32 /s /u "$erp_dll" || fail "regsvr32 /u could not unregister $erp_dll"
for key in "${keys[@]}"; do
  [[ -z "$(registry "$key")" ]] || fail "$key is left after regsvr32 /u: $(registry "$key")"
done
echo "no entry left"
echo "== windows tests passed"

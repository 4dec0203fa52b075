#!/usr/bin/env bash
# Builds the windows preset (TarnVelloc.dll, the unit tests and the C++ client, with mingw-w64)
# and tests it under Wine in a fresh prefix in a temporary folder, removed at the end together
# with its wineserver, whatever happens:
#   - the unit tests pass, every one listed;
#   - regsvr32 registers TarnVelloc.dll (the registry then holds its entries) and unregisters it
#     again (the registry then holds none of them);
#   - the VBScript screens (tests/windows/*.vbs) run by cscript print "END 0 failures": Wine's
#     cscript ends with status 0 even after a script error, so the END line is required;
#   - the early-bound C++ client prints "END 0 failures".
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh mingw-w64 mingw-w64-tools wine wine64 libwine-dev
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)" --target unit_tests tarn_com_velloc early_binding_client

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
clsid='HKCR\CLSID\{AC198B38-EAC1-4786-A55E-C27987EF321C}'
keys=("HKCR\\TarnVelloc.clsVelloc" "$clsid" 'HKCR\TypeLib\{18AEAFA8-DDF8-4622-83E7-FA933C3DB99B}'
      'HKCR\Interface\{93B286A6-0143-4C29-832F-445F4E7ED651}')
# The key's entries, or nothing when there is no such key.
registry() {
  local out
  if out=$(wine reg query "$1" /s 2>/dev/null); then tr -d '\r' <<<"$out"; fi
}

echo "== regsvr32"
wine regsvr32 /s "$dll" || fail "regsvr32 could not register $dll"
expected="HKEY_CLASSES_ROOT\\CLSID\\{AC198B38-EAC1-4786-A55E-C27987EF321C}
    (Default)    REG_SZ    TarnVelloc.clsVelloc

HKEY_CLASSES_ROOT\\CLSID\\{AC198B38-EAC1-4786-A55E-C27987EF321C}\\InprocServer32
    (Default)    REG_SZ    $dll
    ThreadingModel    REG_SZ    Apartment

HKEY_CLASSES_ROOT\\CLSID\\{AC198B38-EAC1-4786-A55E-C27987EF321C}\\ProgID
    (Default)    REG_SZ    TarnVelloc.clsVelloc

HKEY_CLASSES_ROOT\\CLSID\\{AC198B38-EAC1-4786-A55E-C27987EF321C}\\TypeLib
    (Default)    REG_SZ    {18AEAFA8-DDF8-4622-83E7-FA933C3DB99B}"
actual=$(registry "$clsid" | sed -e '/./,$!d' | sed -e :a -e '/^\n*$/{$d;N;ba' -e '}')
[[ "$actual" == "$expected" ]] || fail "class entries after regsvr32:
$actual
expected:
$expected"
[[ "$(registry 'HKCR\TarnVelloc.clsVelloc\CLSID' | grep -c '{AC198B38-EAC1-4786-A55E-C27987EF321C}')" == 1 ]] ||
  fail "the ProgID does not name the class id"
for key in "${keys[@]:2}"; do
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

echo "== regsvr32 /u"
wine regsvr32 /s /u "$dll" || fail "regsvr32 /u could not unregister $dll"
for key in "${keys[@]}"; do
  [[ -z "$(registry "$key")" ]] || fail "$key is left after regsvr32 /u: $(registry "$key")"
done
echo "no entry left"
echo "== windows tests passed"

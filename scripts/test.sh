#!/usr/bin/env bash
# Builds TarnVelloc three times (optimised; with AddressSanitizer + UndefinedBehaviorSanitizer;
# the earlier revision of the component) and runs every test in each build. Against the
# optimised build it also drives the voucher page of `velloc serve` in headless Chromium
# (scripts/test-browser.sh), checks the server's OpenAPI document with a validator
# (scripts/test-openapi.sh), and runs the contract suite, the integration tests and the velloc
# tour against a throwaway PostgreSQL server (scripts/test-postgres.sh). Then it installs the
# optimised build into a temporary prefix and builds three small programs against it
# (scripts/check-package.sh), builds the Windows DLL with mingw-w64 and tests it under Wine
# (scripts/test-windows.sh), and runs each fuzz target for a few seconds (scripts/fuzz.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc)
for preset in default sanitize earlier; do
  echo "== $preset build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
  if [[ $preset == default ]]; then
    echo "== page in a browser"
    bash scripts/test-browser.sh build/default
    echo "== OpenAPI document"
    bash scripts/test-openapi.sh build/default
    echo "== PostgreSQL"
    bash scripts/test-postgres.sh build/default
    bash tests/deploy/run.sh build/default  # nginx over two serve instances, faults injected
  fi
done

echo "== package"
bash scripts/check-package.sh build/default

echo "== windows"
bash scripts/test-windows.sh

echo "== fuzz smoke"
bash scripts/fuzz.sh smoke

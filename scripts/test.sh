#!/usr/bin/env bash
# Builds TarnVelloc twice (optimised, and with AddressSanitizer + UndefinedBehaviorSanitizer)
# and runs every test in both builds, then installs the optimised build into a temporary prefix
# and builds three small programs against it (scripts/check-package.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc)
for preset in default sanitize; do
  echo "== $preset build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done

echo "== package"
bash scripts/check-package.sh build/default

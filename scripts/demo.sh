#!/usr/bin/env bash
# Builds TarnVelloc and runs its main job on the embedded default database.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target unit_tests >/dev/null
./build/default/bin/unit_tests --gtest_filter='InitTest.*:DispatchFaceTest.*'

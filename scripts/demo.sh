#!/usr/bin/env bash
# Builds TarnVelloc and runs its main job on the embedded default database: creates the demo
# database, shows the pick-list of a header item narrowed by a match text, and validates an
# alias (which comes back replaced by its value).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target velloc >/dev/null

velloc=./build/default/bin/velloc
set -x
"$velloc" demo
"$velloc" ref cdefine3 --match 华
"$velloc" validate cdefine3 HD

#!/usr/bin/env bash
# Checks the OpenAPI document of velloc serve with a validator of OpenAPI 3.1
# (@seriousme/openapi-schema-validator, pinned in tests/serve/openapi/package-lock.json), against
# the velloc of a build folder. Skipped, saying so, on a machine without Node.js.
#
# Usage: scripts/test-openapi.sh BUILD-DIR
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:?usage: scripts/test-openapi.sh BUILD-DIR}" && pwd)"

if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  echo "skipped: the OpenAPI document is not checked, as this machine has no node and npm"
  exit 0
fi
(cd "$root/tests/serve/openapi" && npm ci --no-audit --no-fund)
node "$root/tests/serve/openapi/openapi_test.mjs" "$build/bin/velloc"

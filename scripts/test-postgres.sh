#!/usr/bin/env bash
# Runs the PostgreSQL tests of a build against a throwaway PostgreSQL cluster, started and
# removed by scripts/postgres.sh (removed also when a test fails):
#
#   bash scripts/test-postgres.sh [BUILD_DIR]     (default build/default, built beforehand)
#
# tests/postgres/run.sh says what runs.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build/default}")
[[ -x $build/bin/velloc ]] || { echo "$0: no velloc in $build/bin: build first" >&2; exit 1; }
bash scripts/install-deps.sh postgresql  # PostgreSQL 15 with ICU, for the throwaway cluster
exec bash scripts/postgres.sh bash tests/postgres/run.sh "$build"

#!/usr/bin/env bash
# Refreshes docs/screenshots/: one PNG of each state of the velloc serve page (the sign-in, the
# pick-list, a refusal and its reason, the archive confirmation, the recently chosen values, the
# next window, an unknown inventory code, a refusal in English), taken by the page test in
# Debian's headless Chromium against the velloc of a build folder.
#
# Usage: scripts/screenshots.sh BUILD-DIR
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:?usage: scripts/screenshots.sh BUILD-DIR}" && pwd)"

extra=(chromium fonts-wqy-zenhei)
command -v npm >/dev/null || extra+=(nodejs npm)
bash "$root/scripts/install-deps.sh" "${extra[@]}"
(cd "$root/tests/serve/browser" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund)

whole="$(mktemp --suffix=.png)"
trap 'rm -f "$whole"' EXIT
node "$root/tests/serve/browser/page_test.mjs" "$build/bin/velloc" "$whole" "$root/docs/screenshots"
ls -l "$root/docs/screenshots"

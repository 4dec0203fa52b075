#!/usr/bin/env bash
# Installs the page test's driver and accessibility checker (puppeteer-core and axe-core, pinned
# in tests/serve/browser/package-lock.json; no browser download: the tests drive Debian's chromium)
# and runs the page test and the cross-site test against the velloc of a build folder. The page
# test's screenshot goes to SCREENSHOT (default: BUILD-DIR/serve.png); scripts/screenshots.sh
# keeps one of each state of the page in docs/screenshots/.
#
# Usage: scripts/test-browser.sh BUILD-DIR [SCREENSHOT]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:?usage: scripts/test-browser.sh BUILD-DIR [SCREENSHOT]}" && pwd)"
screenshot="${2:-$build/serve.png}"

# Debian's chromium, a CJK font for the screenshot, and Node.js where the machine has none.
extra=(chromium fonts-wqy-zenhei)
command -v npm >/dev/null || extra+=(nodejs npm)
bash "$root/scripts/install-deps.sh" "${extra[@]}"

(cd "$root/tests/serve/browser" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund)
node "$root/tests/serve/browser/page_test.mjs" "$build/bin/velloc" "$screenshot"
node "$root/tests/serve/browser/cross_site_test.mjs" "$build/bin/velloc"

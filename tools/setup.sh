#!/usr/bin/env bash
# Installs every Debian package that building and testing Quillet needs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
sudo=""
[ "$(id -u)" = 0 ] || sudo="sudo"
mapfile -t packages < <(grep -v -E '^\s*(#|$)' "$here/packages.txt")
# Debian's service scripts try to start servers on install; tests start their own.
if [ ! -e /usr/sbin/policy-rc.d ]; then
    printf '#!/bin/sh\nexit 101\n' | $sudo tee /usr/sbin/policy-rc.d >/dev/null
    $sudo chmod 755 /usr/sbin/policy-rc.d
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null

# playwright-core drives Debian's Chromium in the browser tests; it never
# downloads a browser of its own.
if command -v npm >/dev/null; then
    (cd "$here/../tests/e2e/browser" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
fi

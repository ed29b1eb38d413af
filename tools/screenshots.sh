#!/usr/bin/env bash
# Takes the pictures of the README: each tab of the guestbook example in the
# window's default size (1000x720), into docs/. Usage: screenshots.sh [BUILD]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
cmake --build "$build" --target tst_layouts
QT_QPA_PLATFORM="offscreen:configfile=$top/tests/ui/screen-1600x1200.json" QUILLET_SCREENSHOTS="$top/docs" "$build/tests/ui/tst_layouts" screenshots

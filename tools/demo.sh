#!/usr/bin/env bash
# Sets up, builds and runs Quillet's main job on the bundled guestbook example.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup.sh"
"$top/tools/build.sh" "$top/build" -DQUILLET_BUILD_TESTS=OFF
out=$(mktemp -d)
cp -r "$top/examples/guestbook/." "$out/"
"$top/build/src/quillet-cli" resave "$out/guestbook.prj"
echo "Resaved the guestbook project in $out:"
ls -l "$out"

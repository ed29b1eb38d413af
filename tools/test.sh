#!/usr/bin/env bash
# Sets up, builds and runs every test: the full suite, then the core suites
# again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup.sh"
"$top/tools/check-layers.sh" "$top"

"$top/tools/build.sh" "$top/build"
(cd "$top/build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2)

"$top/tools/build.sh" "$top/build-asan" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
    -DQUILLET_SANITIZE=ON -DQUILLET_BUILD_UI=OFF -DQUILLET_BUILD_FUZZ=ON
(cd "$top/build-asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j2 -L 'core|fuzz')

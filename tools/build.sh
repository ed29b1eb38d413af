#!/usr/bin/env bash
# Configures and builds Quillet into build/ (or the folder given as $1).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$top/build}
shift || true
launcher=()
# A compiler cache, when there is one, makes rebuilds of other checkouts cheap.
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$top" -B "$dir" -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET_WERROR=ON "$@" >/dev/null
cmake --build "$dir" -j2

#!/usr/bin/env bash
# Fails when a source file includes across a layer boundary that
# docs/ARCHITECTURE.md forbids. Usage: check-layers.sh [TOP]
set -euo pipefail
top=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$top"

core='(project|generator|html|db|net)'

# The layer of a source file, from its path.
layer_of() {
    case "$1" in
    src/app/cli/*) echo cli ;;
    src/app/*) echo app ;;
    src/ui/pages/*) echo ui ;;
    src/*/pages/*) echo pages ;;
    src/*) echo core ;;
    tests/ui/* | tests/e2e/* | bench/bench_ui_*) echo app ;;
    tests/* | bench/*) echo core-test ;;
    *) echo app ;;
    esac
}

# The layer an include names, or nothing for includes that are not ours.
target_of() {
    case "$1" in
    \<Q*) echo qt ;;
    app/cli/*) echo cli ;;
    app/*) echo app ;;
    ui/pages/*) echo ui ;;
    */pages/*) echo pages ;;
    project/* | generator/* | html/* | db/* | net/*) echo core ;;
    esac
}

# What each layer may include.
allowed() {
    case "$1:$2" in
    core:core | core-test:core | cli:core | cli:cli) return 0 ;;
    ui:core | ui:ui | ui:qt) return 0 ;;
    pages:core | pages:ui | pages:pages | pages:qt) return 0 ;;
    app:*) return 0 ;;
    esac
    return 1
}

status=0
while IFS= read -r file; do
    from=$(layer_of "$file")
    while IFS=: read -r line include; do
        to=$(target_of "$include")
        [ -n "$to" ] || continue
        if ! allowed "$from" "$to"; then
            echo "$file:$line: the $from layer may not include $include ($to)" >&2
            status=1
        fi
    done < <(grep -n -o -E '^#include +["<][^">]+' "$file" | sed -E 's/#include +["]?//')
done < <(git ls-files -co --exclude-standard -- 'src/*.h' 'src/*.cpp' 'tests/*.h' 'tests/*.cpp' 'bench/*.h' 'bench/*.cpp')

[ "$status" = 0 ] && echo "layers: every include keeps to its layer"
exit "$status"

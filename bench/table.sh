#!/usr/bin/env bash
# Prints the speed and memory table: each figure of the command-line program
# next to its anchor (xmllint for pages, an "awk 1" copy for a resave), one
# column per build folder given, measured interleaved in one run.
#
#   bench/table.sh BUILD [BUILD...]
#
# Each BUILD is a Release build configured with -DQUILLET_BUILD_BENCH=ON (see
# README.md for the whole line); the first one that has make_bench_project makes
# the projects for all. Instruction counts come from callgrind and do not depend
# on the machine's load; CPU times are medians of interleaved runs and do. Pages
# come from $QUILLET_BENCH_HTML (default: the HTML documentation of installed
# Debian packages).
# Needs: valgrind, strace, linux-perf, time, libxml2-utils.
set -euo pipefail

if [ $# -lt 1 ]; then
    echo "usage: bench/table.sh BUILD [BUILD...]" >&2
    exit 2
fi
for tool in valgrind strace perf /usr/bin/time xmllint awk; do
    command -v "$tool" >/dev/null || {
        echo "table.sh: $tool is missing (Debian: valgrind strace linux-perf time libxml2-utils)" >&2
        exit 1
    }
done
builds=()
for dir in "$@"; do
    dir=$(cd "$dir" && pwd)
    for exe in src/quillet-cli bench/bench_html_tokenizer; do
        [ -x "$dir/$exe" ] || { echo "table.sh: $dir/$exe is missing" >&2; exit 1; }
    done
    builds+=("$dir")
done
maker=""
for dir in "${builds[@]}"; do
    [ -z "$maker" ] && [ -x "$dir/bench/make_bench_project" ] && maker=$dir/bench/make_bench_project
done
[ -n "$maker" ] || { echo "table.sh: no build has bench/make_bench_project" >&2; exit 1; }

runs=${QUILLET_BENCH_RUNS:-7}
work=$(mktemp -d "${TMPDIR:-/tmp}/quillet-table-XXXXXX")
trap 'rm -rf "$work"' EXIT

# --- inputs ---------------------------------------------------------------

# 20 MB of documentation pages in path order, joined into one page.
page=$work/docs.html
limit=$((20 << 20))
while IFS= read -r -d '' file; do
    cat "$file" >>"$page"
    [ "$(stat -c %s "$page")" -ge "$limit" ] && break
done < <(find "${QUILLET_BENCH_HTML:-/usr/share/doc}" -type f \( -name '*.html' -o -name '*.htm' \) -print0 |
    LC_ALL=C sort -z)
head -c "$limit" "$page" >"$page.cut" && mv "$page.cut" "$page"
"$maker" "$work/p10k" 10000
"$maker" "$work/p110k" 110000

# --- measures -------------------------------------------------------------

instructions() { # command... -> instructions executed
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
        awk '/Collected :/ { print $NF }'
}

peak_kb() { # command... -> peak resident set in KB
    /usr/bin/time -f '%M' -o "$work/time" "$@" >/dev/null 2>&1
    cat "$work/time"
}

cpu_ms() { # command... -> CPU time in ms (user and system), its child processes included
    perf stat -x, -e task-clock -o "$work/perf" "$@" >/dev/null 2>&1
    awk -F, '/task-clock/ { print $1 }' "$work/perf"
}

own_cpu_ms() { # command... -> CPU time in ms of the command alone
    perf stat --no-inherit -x, -e task-clock -o "$work/perf" "$@" >/dev/null 2>&1
    awk -F, '/task-clock/ { print $1 }' "$work/perf"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# "calls files": file-system calls on the project's own files, and how many files they touch.
file_calls() { # folder command...
    local folder=$1
    shift
    strace -f -qq -e trace=openat,open,stat,lstat,newfstatat,statx,access,faccessat,faccessat2 -o "$work/strace" \
        "$@" >/dev/null 2>&1
    awk -v folder="$folder/" 'index($0, "\"" folder) {
            match($0, /"[^"]*"/); path = substr($0, RSTART + 1, RLENGTH - 2); calls++; seen[path] = 1 }
        END { n = 0; for (p in seen) n++; print calls + 0, n }' "$work/strace"
}

# Tokenize-and-write throughput (CPU time) at one page size, from the in-process
# bench: "MB/s thousand-nodes/s".
throughput() { # build bench size
    "$1/bench/bench_html_tokenizer" --benchmark_filter="BM_Quillet_$2/$3\$" --benchmark_format=csv \
        --benchmark_repetitions=3 --benchmark_report_aggregates_only=true 2>/dev/null |
        awk -F, '/_median/ { printf "%.0f %.0f\n", $6 / 1e6, $11 / 1e3 }'
}

declare -A figure
fresh_copy() { rm -rf "$work/run" && cp -r "$1" "$work/run"; }

for i in "${!builds[@]}"; do
    cli=${builds[$i]}/src/quillet-cli
    figure[html_ins, $i]=$(instructions "$cli" html "$page")
    figure[html_kb, $i]=$(peak_kb "$cli" html "$page")
    fresh_copy "$work/p110k"
    figure[resave_kb, $i]=$(peak_kb "$cli" resave "$work/run/bench.prj")
    fresh_copy "$work/p10k"
    figure[build_files, $i]=$(file_calls "$work/run" "$cli" build "$work/run/bench.prj")
done
xmllint_ins=$(instructions xmllint --html --noout "$page")

for ((r = 0; r < runs; r++)); do
    for i in "${!builds[@]}"; do
        cli=${builds[$i]}/src/quillet-cli
        fresh_copy "$work/p10k"
        own_cpu_ms "$cli" build "$work/run/bench.prj" >>"$work/build.$i"
        fresh_copy "$work/p10k"
        cpu_ms "$cli" build "$work/run/bench.prj" >>"$work/buildall.$i"
        cpu_ms "$cli" resave "$work/p10k/bench.prj" "$work/run/out.prj" >>"$work/resave.$i"
        cpu_ms awk 1 "$work/p10k/bench.prj" >>"$work/awk.$i"
    done
done
for i in "${!builds[@]}"; do
    for size in 16384 16777216; do
        figure[pages_$size, $i]=$(throughput "${builds[$i]}" PageSize $size)
        figure[same_$size, $i]=$(throughput "${builds[$i]}" SameMarkup $size)
    done
done

# --- table ----------------------------------------------------------------

page_mb=$(awk -v b="$(stat -c %s "$page")" 'BEGIN { printf "%.1f", b / 1048576 }')
project_mb=$(awk -v b="$(stat -c %s "$work/p110k/bench.prj")" 'BEGIN { printf "%.1f", b / 1048576 }')
header="| Measure |"
rule="|---|"
for dir in "${builds[@]}"; do
    header+=" $(basename "$(dirname "$dir")")/$(basename "$dir") |"
    rule+="---|"
done
echo "$header Target |"
echo "$rule---|"

row() { # label target cell-printer
    local line="| $1 |"
    for i in "${!builds[@]}"; do
        line+=" $($3 "$i") |"
    done
    echo "$line $2 |"
}

html_cell() {
    awk -v q="${figure[html_ins, $1]}" -v x="$xmllint_ins" \
        'BEGIN { printf "%.2fG vs %.2fG instructions: %.1fx fewer", q / 1e9, x / 1e9, x / q }'
}
# The joined pages grow denser in markup further in, so their rate per byte falls
# with size even at a constant cost per node: the cell gives that rate per node
# too, and the rate on the same markup repeated to each size.
throughput_cell() {
    local ps pl ns nl ss sl
    read -r ps ns <<<"${figure[pages_16384, $1]}"
    read -r pl nl <<<"${figure[pages_16777216, $1]}"
    read -r ss _ <<<"${figure[same_16384, $1]}"
    read -r sl _ <<<"${figure[same_16777216, $1]}"
    if [ "${nl:-0}" = 0 ] || [ -z "$sl" ]; then # a build whose bench counts no nodes
        awk -v s="$ps" -v l="$pl" 'BEGIN { printf "%d MB/s at 16 KB, %d MB/s at 16 MB (%.0f%%)", s, l, 100 * l / s }'
        return
    fi
    awk -v ps="$ps" -v pl="$pl" -v ns="$ns" -v nl="$nl" -v ss="$ss" -v sl="$sl" \
        'BEGIN { printf "pages: %d MB/s at 16 KB, %d at 16 MB (%.0f%%), per node %.0f%%; same markup: %d MB/s at 16 KB, %d at 16 MB (%.0f%%)",
                 ps, pl, 100 * pl / ps, 100 * nl / ns, ss, sl, 100 * sl / ss }'
}
memory_cell() {
    awk -v h="${figure[html_kb, $1]}" -v r="${figure[resave_kb, $1]}" -v pm="$page_mb" -v jm="$project_mb" \
        'BEGIN { printf "html: %.0f MB for %s MB (%.1fx); resave: %.0f MB for %s MB (%.1fx)",
                 h / 1024, pm, h / 1024 / pm, r / 1024, jm, r / 1024 / jm }'
}
# A build may check its script with "perl -c"; that child's time is shown apart.
build_cell() {
    local ms all calls files
    ms=$(median <"$work/build.$1")
    all=$(median <"$work/buildall.$1")
    read -r calls files <<<"${figure[build_files, $1]}"
    printf "%.0f ms CPU (%.0f ms with child processes); %s open/stat calls on %s files" "$ms" "$all" "$calls" "$files"
}
resave_cell() {
    local q a
    q=$(median <"$work/resave.$1")
    a=$(median <"$work/awk.$1")
    awk -v q="$q" -v a="$a" 'BEGIN { printf "%.1f ms vs %.1f ms CPU: %.2fx", q, a, q / a }'
}

row "\`quillet-cli html\` vs \`xmllint --html --noout\`, $page_mb MB of documentation pages" "5x or better" html_cell
row "Tokenizer bench throughput (CPU time)" "no drop with size" throughput_cell
row "Peak memory (RSS)" "at most 3x the input" memory_cell
row "\`quillet-cli build\`, 10,000 actions" "under 40 ms; each file looked at once" build_cell
row "\`resave\` vs \`awk 1\`, 10,000 actions" "at most 1.3x" resave_cell
echo
echo "$(nproc) cores: $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo); load $(cut -d' ' -f1-3 /proc/loadavg)"

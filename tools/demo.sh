#!/usr/bin/env bash
# Sets up, builds and runs Quillet's main job on the bundled guestbook example:
# the project is built into a Perl CGI application, published by direct copy
# into a private lighttpd site on 127.0.0.1, its SQLite table is created, and
# one entry is signed. The site keeps serving until Ctrl-C when run from a
# terminal.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup.sh"
"$top/tools/build.sh" "$top/build" -DQUILLET_BUILD_TESTS=OFF

cli="$top/build/src/quillet-cli"
out=$(mktemp)
"$cli" preview "$top/examples/guestbook/guestbook.prj" >"$out" 2>/dev/null &
preview=$!
trap 'kill -INT $preview 2>/dev/null; wait $preview 2>/dev/null; rm -f "$out"' EXIT
for _ in $(seq 100); do
    url=$(head -n 1 "$out")
    [ -n "$url" ] && break
    kill -0 $preview 2>/dev/null || exit 1
    sleep 0.2
done
script="${url%/*}/cgi-bin/guestbook.cgi"
echo
echo "The guestbook runs at $url"
echo "Signing it once from the command line:"
curl -s --data-urlencode "name=Demo visitor" --data-urlencode "email=demo@example.org" \
    --data-urlencode "message=Hello from tools/demo.sh" --data "Sign=Sign" "$script" | sed -e 's/<[^>]*>//g' -e '/^\s*$/d'
echo "The entries the application lists:"
curl -s --data "Show=Show" "$script" | sed -e 's/<\/t[dh]>/ | /g' -e 's/<[^>]*>//g' -e '/^\s*$/d'
echo
if [ -t 0 ]; then
    echo
    echo "Open $url in a browser to try the form; Ctrl-C stops the server."
    wait $preview
fi

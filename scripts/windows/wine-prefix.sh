#!/usr/bin/env bash
# Makes a private wine prefix set to Windows 10 (Qt 6 wants it), once: two wine processes
# creating one prefix at the same time fail, so the tests only ever use a finished one.
#   wine-prefix.sh DIR
set -euo pipefail
dir=$1
if [ -e "$dir/.meravel-ready" ]; then exit 0; fi
rm -rf "$dir"
mkdir -p "$dir"
export WINEPREFIX=$dir WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
/usr/lib/wine/wine64 winecfg /v win10 >/dev/null 2>&1
/usr/lib/wine/wineserver64 -w 2>/dev/null || /usr/lib/wine/wineserver -w 2>/dev/null || true
touch "$dir/.meravel-ready"

#!/usr/bin/env bash
# Runs a program of the Windows build under wine64: the emulator of the cross build's tests
# (CMAKE_CROSSCOMPILING_EMULATOR) and of the scripts. Needs MERAVEL_WINSDK and
# MERAVEL_WINEPREFIX (a prefix made by wine-prefix.sh). Wine drops every variable named QT_*:
# each one is passed on as WINEQT_*, which wine hands to the program under its own name.
set -euo pipefail
: "${MERAVEL_WINSDK:?MERAVEL_WINSDK names the Windows SDK folder}"
: "${MERAVEL_WINEPREFIX:?MERAVEL_WINEPREFIX names the wine prefix}"
export WINEPREFIX=$MERAVEL_WINEPREFIX
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
# SQLite and Qt's SQLite driver come from the SDK's shared-sqlite/ (one SQLite for both): its
# folders come first, and Qt takes the first of two plugins of the same key and version.
export WINEPATH="$MERAVEL_WINSDK/shared-sqlite/bin;$MERAVEL_WINSDK/qt/bin;$MERAVEL_WINSDK/prefix/bin;/usr/lib/gcc/x86_64-w64-mingw32/12-posix;/usr/x86_64-w64-mingw32/lib"
export WINEQT_PLUGIN_PATH="$MERAVEL_WINSDK/shared-sqlite/plugins;$MERAVEL_WINSDK/qt/plugins"
export WINEQT_FORCE_STDERR_LOGGING=1
while IFS='=' read -r name _; do
  case $name in QT_*) export "WINE$name=${!name}" ;; esac
done < <(env)
# Wine's console host can outlive the program and would hold the caller's output pipe open
# (ctest then waits for it): the program writes to a file, shown when it ends.
log=$(mktemp /tmp/meravel-wine.XXXXXX)
trap 'rm -f "$log"' EXIT
status=0
/usr/lib/wine/wine64 "$@" >"$log" 2>&1 || status=$?
cat "$log"
exit $status

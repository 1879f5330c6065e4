#!/usr/bin/env bash
# The Windows pass of the test command: cross-builds Meravel and its tests (SDK from the
# cache, the archive folder, or built), lays out the program, the set-up program and the zip,
# then runs the suite's Windows build under wine64, headless (offscreen platform) in a private
# prefix set to Windows 10, and the server tests once against a private PostgreSQL server on
# loopback; the build machine's python3 and poppler, which some tests read their files back
# with, run on this side for them (host-runner.py). The tests that cannot run under wine are
# listed, each with its reason, in scripts/windows/wine-excluded.txt.
#   test.sh [ctest arguments...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$here/common.sh"
out=${MERAVEL_WIN_BUILD_DIR:-$root/build-win}
export MERAVEL_WIN_BUILD_DIR=$out

win_install_packages
sdk=$(winsdk_ensure)
bash "$here/cross-build.sh" "$sdk"

export MERAVEL_WINSDK=$sdk
export MERAVEL_WINEPREFIX=$out/wineprefix
bash "$here/wine-prefix.sh" "$MERAVEL_WINEPREFIX"

excluded=$(grep -v '^#' "$here/wine-excluded.txt" | cut -f1 | grep -v '^$' | paste -sd'|')
pgdir=$(mktemp -d /tmp/meravel-winpg.XXXXXX)
# The build machine's python3 and poppler run for the tests on this side (HostRun.h).
export MERAVEL_HOST_RUNNER
MERAVEL_HOST_RUNNER=$(mktemp -d /tmp/meravel-hostrun.XXXXXX)
python3 "$here/host-runner.py" "$MERAVEL_HOST_RUNNER" &
runner=$!
cleanup() {
  kill "$runner" 2>/dev/null || true
  rm -rf "$MERAVEL_HOST_RUNNER"
  bash "$root/scripts/pg-test-server.sh" stop "$pgdir"
  WINEPREFIX=$MERAVEL_WINEPREFIX /usr/lib/wine/wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
MERAVEL_TEST_PG_URL=$(bash "$root/scripts/pg-test-server.sh" start "$pgdir" "$port")
export MERAVEL_TEST_PG_URL
cd "$out/cross"
status=0
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" -E "^($excluded)(_pg)?\$" "$@" || status=$?
bash "$here/setup-test.sh" "$out" || status=$?
bash "$here/update-test.sh" "$sdk" "$out" || status=$?
exit $status

#!/usr/bin/env bash
# Sets everything up, builds, lays out the complete program folder and starts Meravel.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${MERAVEL_BUILD_DIR:-$here/build}
bash "$here/scripts/setup.sh"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"
exec "$build/program/meravel" "$@"

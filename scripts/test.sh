#!/usr/bin/env bash
# Sets everything up, builds and runs every test headless.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${MERAVEL_BUILD_DIR:-$here/build}
bash "$here/scripts/setup.sh"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${MERAVEL_CMAKE_ARGS:-}
cmake --build "$build" -j"$(nproc)"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" "$@"

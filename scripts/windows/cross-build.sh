#!/usr/bin/env bash
# Cross-builds Meravel and its tests for Windows against a built SDK, lays out the Windows
# program folder and writes the set-up program and a portable zip.
#
#   cross-build.sh SDK
#
# Output under $MERAVEL_WIN_BUILD_DIR (default build-win/):
#   cross/               the CMake build (programs in cross/program/, tests in cross/tests/)
#   Meravel/             the program as the set-up program installs it (bin\, share\meravel\)
#   portable/Meravel/    the portable program folder (databases beside the programs)
#   setup-Meravel.exe    the set-up program (NSIS)
#   Meravel-VERSION-windows.zip  the portable folder as a zip
# The content generators run on this machine: from MERAVEL_HOST_TOOLS_DIR when it holds them
# (the test command passes build/tools), else from a small build of their own (host/).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
# shellcheck source=common.sh
. "$here/common.sh"
sdk=$1
out=${MERAVEL_WIN_BUILD_DIR:-$root/build-win}
mkdir -p "$out"
export CCACHE_BASEDIR=$root

tools=${MERAVEL_HOST_TOOLS_DIR:-}
if [ -z "$tools" ] || [ ! -x "$tools/make-db" ] || [ ! -x "$tools/make-workbook" ]; then
  echo "Building the content generators for this machine" >&2
  cmake -S "$root" -B "$out/host" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DMERAVEL_BENCHMARKS=OFF -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
  cmake --build "$out/host" -j"$(nproc)" --target make-db make-workbook
  tools=$out/host/tools
fi

win_configure "$sdk" "$out/cross" "$tools"
cmake --build "$out/cross" -j"$(nproc)"

bash "$here/package.sh" "$sdk" "$out/cross" "$out"

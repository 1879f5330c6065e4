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

export PKG_CONFIG_LIBDIR="$sdk/prefix/lib/pkgconfig:/usr/x86_64-w64-mingw32/lib/pkgconfig"
export PKG_CONFIG_PATH=
export MERAVEL_WINSDK=$sdk
cmake -S "$root" -B "$out/cross" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/WindowsToolchain.cmake" -DMERAVEL_WINSDK="$sdk" \
  -DCMAKE_PREFIX_PATH="$sdk/qt;$sdk/prefix" -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DMERAVEL_HOST_TOOLS_DIR="$tools" -DCMAKE_CROSSCOMPILING_EMULATOR="$here/wine-run.sh" \
  -DMERAVEL_WERROR=ON -DMERAVEL_CLANG_FUZZER=OFF -DMERAVEL_BENCHMARKS=OFF -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
  -DCMAKE_C_COMPILER_LAUNCHER=ccache ${MERAVEL_WIN_CMAKE_ARGS:-} >/dev/null
cmake --build "$out/cross" -j"$(nproc)"

bash "$here/package.sh" "$sdk" "$out/cross" "$out"

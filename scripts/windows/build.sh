#!/usr/bin/env bash
# Builds Meravel for 64-bit Windows on Debian 12 (as root): installs the cross tools, wine64
# and NSIS; builds the Windows SDK (Qt and the libraries, from Debian's source packages) into a
# cache folder keyed by a hash of its recipe, or unpacks it from an archive; cross-builds the
# programs and the tests; lays out the Windows program folder and writes the set-up program
# and a portable zip under build-win/.
#
#   build.sh                  everything
#   build.sh --sdk-only       just make sure the SDK is there; print its folder
#   build.sh --sdk-key        print the SDK's key
#   build.sh --sdk-archive DIR  write DIR/<key>.tar.xz of the SDK (building it when needed)
#
# Settings (environment): MERAVEL_WINSDK_CACHE (default /var/cache/meravel/winsdk),
# MERAVEL_WINSDK_ARCHIVES (a folder that may hold <key>.tar.xz), MERAVEL_WIN_BUILD_DIR
# (default build-win/), MERAVEL_SIGN_CERT and MERAVEL_SIGN_KEY (Authenticode; see README).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
# shellcheck source=common.sh
. "$here/common.sh"

mode=all
archive_dir=
case "${1:-}" in
  --sdk-only) mode=sdk ;;
  --sdk-key) winsdk_key; exit 0 ;;
  --sdk-archive) mode=archive; archive_dir=${2:?--sdk-archive needs a folder} ;;
  "") ;;
  *) echo "usage: build.sh [--sdk-only | --sdk-key | --sdk-archive DIR]" >&2; exit 2 ;;
esac

win_install_packages
sdk=$(winsdk_ensure)
case $mode in
  sdk) echo "$sdk"; exit 0 ;;
  archive)
    mkdir -p "$archive_dir"
    key=$(winsdk_key)
    tar -C "$(dirname "$sdk")" -cJf "$archive_dir/$key.tar.xz.tmp" "$key"
    mv "$archive_dir/$key.tar.xz.tmp" "$archive_dir/$key.tar.xz"
    echo "$archive_dir/$key.tar.xz"
    exit 0
    ;;
esac

bash "$here/cross-build.sh" "$sdk"

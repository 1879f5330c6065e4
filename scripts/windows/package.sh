#!/usr/bin/env bash
# Writes the set-up program (setup-Meravel.exe) and the portable zip from a cross build,
# signing the programs and the set-up program when a code-signing certificate is given
# (MERAVEL_SIGN_CERT: PEM certificate chain, MERAVEL_SIGN_KEY: its PEM key).
#   package.sh SDK CROSS_BUILD OUT
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
sdk=$1
build=$2
out=$3
version=$(sed -n 's/^project(Meravel VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")

sign() {
  [ -n "${MERAVEL_SIGN_CERT:-}" ] || return 0
  local f=$1
  osslsigncode sign -certs "$MERAVEL_SIGN_CERT" -key "$MERAVEL_SIGN_KEY" -h sha256 \
    -n "Meravel" -in "$f" -out "$f.signed" >/dev/null
  mv "$f.signed" "$f"
}

installed=$out/Meravel
portable=$out/portable/Meravel
bash "$here/layout.sh" "$sdk" "$build" "$installed" installed
for exe in meravel meravel-cli meravel-xls; do sign "$installed/bin/$exe.exe"; done

icon=()
png=$(ls "$build"/packaging/icons/256/*.png 2>/dev/null | head -1 || true)
if [ -n "$png" ] && command -v convert >/dev/null; then
  convert "$png" -define icon:auto-resize=256,48,32,16 "$out/meravel.ico"
  icon=(-DICON="$out/meravel.ico")
fi
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSOURCE="$installed" -DOUTFILE="$out/setup-Meravel.exe" \
  "${icon[@]}" "$root/packaging/windows/meravel.nsi" >/dev/null
sign "$out/setup-Meravel.exe"

bash "$here/layout.sh" "$sdk" "$build" "$portable" portable
for exe in meravel meravel-cli meravel-xls; do cp "$installed/bin/$exe.exe" "$portable/"; done
rm -f "$out/Meravel-$version-windows.zip"
(cd "$out/portable" && zip -qr "$out/Meravel-$version-windows.zip" Meravel)
echo "$out/setup-Meravel.exe"
echo "$out/Meravel-$version-windows.zip"

#!/usr/bin/env bash
# Checks the set-up program under wine: a silent install for all users, the programs it
# installed (version, a registration with Persian text into the per-user folder), its
# shortcuts and its entry under "Apps & features"; a silent uninstall that leaves the user's
# data folder; and Authenticode signing with a certificate made for the test.
#   setup-test.sh OUT     (OUT: build-win/, holding setup-Meravel.exe)
# Needs MERAVEL_WINSDK and MERAVEL_WINEPREFIX as wine-run.sh does.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
out=$1
version=$(sed -n 's/^project(Meravel VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
wine() { bash "$here/wine-run.sh" "$@"; }
fail() { echo "setup test: $*" >&2; exit 1; }
drive=$MERAVEL_WINEPREFIX/drive_c
installed="$drive/Program Files/Meravel"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Meravel'

wine "$out/setup-Meravel.exe" /S
[ -f "$installed/bin/meravel.exe" ] || fail "nothing installed under Program Files"
[ -f "$installed/share/meravel/meravelDB.mdb" ] || fail "the templates were not installed"
got=$(wine 'C:\Program Files\Meravel\bin\meravel-cli.exe' --version | tr -d '\r')
[ "$got" = "meravel-cli $version" ] || fail "installed meravel-cli --version printed: $got"
reg=$(wine reg query "$key" /v DisplayVersion | tr -d '\r')
grep -q "$version" <<<"$reg" || fail "no DisplayVersion $version under $key: $reg"
find "$drive" -name 'مراول.lnk' | grep -q . || fail "no shortcut with the Persian name"

# An installed program keeps its data in the user's folder, filled from the templates; a
# folder left by an earlier run of this test in the same prefix goes first.
rm -rf "$drive"/users/*/AppData/Roaming/Meravel
wine 'C:\Program Files\Meravel\bin\meravel-cli.exe' register --code 1 --first 'علی' --last 'رضایی' --sex 'پسر' --age 16 --class 'دهم' --group 'الف'
data=$(find "$drive/users" -path '*AppData/Roaming/Meravel/meravelDB.mdb' | head -1)
[ -n "$data" ] || fail "no per-user data folder under AppData\\Roaming\\Meravel"
sqlite3 "$data" "SELECT FName FROM IDE" | grep -q 'علی' || fail "the registration is not in $data"

wine 'C:\Program Files\Meravel\uninstall.exe' /AllUsers /S
# The uninstaller copies itself away and returns at once; its copy finishes in a moment.
for _ in $(seq 1 30); do [ -e "$installed" ] || break; sleep 1; done
[ ! -e "$installed" ] || fail "the uninstaller left $installed"
[ -f "$data" ] || fail "the uninstaller removed the user's data folder"
wine reg query "$key" >/dev/null 2>&1 && fail "the uninstaller left $key"

# Authenticode: a certificate made for the test; osslsigncode must accept what it signed.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Meravel test signer" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$tmp/key.pem" -out "$tmp/cert.pem" 2>/dev/null
osslsigncode sign -certs "$tmp/cert.pem" -key "$tmp/key.pem" -h sha256 -n Meravel \
  -in "$out/setup-Meravel.exe" -out "$tmp/signed.exe" >/dev/null
osslsigncode verify -CAfile "$tmp/cert.pem" -in "$tmp/signed.exe" >"$tmp/verify.log" 2>&1 \
  || { cat "$tmp/verify.log" >&2; fail "osslsigncode does not accept the signed set-up program"; }
echo "setup test: installed, ran, uninstalled and signed $version: passed"

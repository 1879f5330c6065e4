#!/usr/bin/env bash
# The update cycle under wine. An installed program one release older than the sources (its
# meravel-cli.exe built again in OUT/older/, calling itself older and trusting a release key
# made for the test) runs `meravel-cli update --silent` against a local HTTP server offering
# the release just built: setup-Meravel.exe, LastVersion.txt and the release manifest signed
# with that key (scripts/sign-release.sh). A tampered set-up program is refused and nothing
# starts; the genuine one is downloaded, checked, started with /S, and installs the release,
# whose installed meravel-cli.exe --version then names it.
#   update-test.sh SDK OUT     (OUT: build-win/, holding setup-Meravel.exe and cross/)
# Needs MERAVEL_WINEPREFIX as wine-run.sh does; run after setup-test.sh (nothing installed).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
# shellcheck source=common.sh
. "$here/common.sh"
sdk=$1
out=$2
export MERAVEL_WINSDK=$sdk CCACHE_BASEDIR=$root
version=$(sed -n 's/^project(Meravel VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
number=${version//./}
wine() { bash "$here/wine-run.sh" "$@"; }
fail() { echo "update test: $*" >&2; exit 1; }
# Until every program in the prefix has ended (the set-up program runs on after the tool).
settle() { WINEPREFIX=$MERAVEL_WINEPREFIX timeout 300 /usr/lib/wine/wineserver -w || fail "wine did not settle"; }
drive=$MERAVEL_WINEPREFIX/drive_c
installed="$drive/Program Files/Meravel"
cli='C:\Program Files\Meravel\bin\meravel-cli.exe'
refused='امضای فایل دانلودشده معتبر نیست'

# The older program: beside the cross build, as deep, so ccache gives it every object but
# those the version and the key change.
older=$out/older
key=$older/release-test.pem
mkdir -p "$older"
[ -f "$key" ] || bash "$root/scripts/sign-release.sh" new-key "$key" >/dev/null
tools=$(sed -n 's/^MERAVEL_HOST_TOOLS_DIR:[A-Z]*=//p' "$out/cross/CMakeCache.txt")
win_configure "$sdk" "$older" "$tools" -DBUILD_TESTING=OFF -DCMAKE_PROJECT_Meravel_INCLUDE="$here/older-version.cmake" \
  -DMERAVEL_RELEASE_PUBLIC_KEY="$(bash "$root/scripts/sign-release.sh" public-key "$key")"
cmake --build "$older" -j"$(nproc)" --target meravel-cli >/dev/null
built=$SECONDS
old_version=$(sed -n 's/.*Text = "\(.*\)";/\1/p' "$older/generated/data/Version.h")
[ "${old_version//./}" -lt "$number" ] || fail "the older build calls itself $old_version"

# What the earlier steps left running in the prefix (wine's console hosts outlive the programs
# they served) would keep every settle below waiting: this test starts on a prefix at rest.
WINEPREFIX=$MERAVEL_WINEPREFIX /usr/lib/wine/wineserver -k 2>/dev/null || true
WINEPREFIX=$MERAVEL_WINEPREFIX timeout 60 /usr/lib/wine/wineserver -w 2>/dev/null || true

# A prefix used before may hold set-up programs an earlier run left in Temp: the checks below
# look for what this run leaves.
find "$drive/users" -path '*/Temp/*' -name 'setup-Meravel.exe*' -delete 2>/dev/null || true

# The update server: the release, its number and its signed manifest under /Soft/Meravel/.
tmp=$(mktemp -d)
http=
trap '[ -z "$http" ] || kill "$http" 2>/dev/null; rm -rf "$tmp"' EXIT
www=$tmp/www/Soft/Meravel
mkdir -p "$www"
cp "$out/setup-Meravel.exe" "$www/"
printf '%s\r\n' "$number" >"$www/LastVersion.txt"
bash "$root/scripts/sign-release.sh" manifest "$key" "$www/setup-Meravel.exe" "$number" >/dev/null
cp "$www/setup-Meravel.exe" "$tmp/genuine.exe"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
python3 -m http.server --bind 127.0.0.1 --directory "$tmp/www" "$port" >"$tmp/http.log" 2>&1 &
http=$!
for _ in $(seq 1 50); do
  python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 1)" 2>/dev/null && break
  sleep 0.1
done
server=http://127.0.0.1:$port

# The older release, installed: the release's files with the older tool in place.
wine "$out/setup-Meravel.exe" /S
settle
cp "$older/program/meravel-cli.exe" "$installed/bin/meravel-cli.exe"
got=$(wine "$cli" --version | tr -d '\r')
[ "$got" = "meravel-cli $old_version" ] || fail "the older tool printed: $got"

# Tampered: one letter of the DOS stub's text changed. The file keeps its size and would still
# install if it ran, so an installed release after this step would mean it was started.
offset=$(grep -obUa 'This program cannot be run' "$www/setup-Meravel.exe" | head -1 | cut -d: -f1)
[ -n "$offset" ] || fail "no DOS stub text in the set-up program"
printf 't' | dd of="$www/setup-Meravel.exe" bs=1 seek="$offset" conv=notrunc status=none
status=0
wine "$cli" update --server "$server" --silent >"$tmp/tampered.log" 2>&1 || status=$?
settle
[ "$status" -eq 1 ] || { cat "$tmp/tampered.log" >&2; fail "a tampered set-up program gave exit $status"; }
grep -q "$refused" "$tmp/tampered.log" || { cat "$tmp/tampered.log" >&2; fail "no refusal for a tampered set-up program"; }
got=$(wine "$cli" --version | tr -d '\r')
[ "$got" = "meravel-cli $old_version" ] || fail "after the refusal the installed tool printed: $got"
! find "$drive/users" -path '*/Temp/*' -name 'setup-Meravel.exe*' | grep -q . || fail "the refused download was left"

# Genuine: downloaded, checked, started silently; it replaces the older release.
cp "$tmp/genuine.exe" "$www/setup-Meravel.exe"
wine "$cli" update --server "$server" --silent >"$tmp/genuine.log" 2>&1 || { cat "$tmp/genuine.log" >&2; fail "the update failed"; }
grep -q "^newer $number" "$tmp/genuine.log" && grep -q '^started: .*setup-Meravel.exe' "$tmp/genuine.log" \
  || { cat "$tmp/genuine.log" >&2; fail "the update did not start the set-up program"; }
settle
got=$(wine "$cli" --version | tr -d '\r')
[ "$got" = "meravel-cli $version" ] || fail "after the update the installed tool printed: $got"
grep -q "GET /Soft/Meravel/release.txt.sig" "$tmp/http.log" || fail "the manifest's signature was never fetched"

wine 'C:\Program Files\Meravel\uninstall.exe' /AllUsers /S
settle
[ ! -e "$installed" ] || fail "the uninstaller left $installed"
echo "update test: $old_version refused a tampered set-up program and updated itself to $version: passed" \
  "(${SECONDS} s, of which ${built} s the older build)"

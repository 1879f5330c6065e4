#!/usr/bin/env bash
# The SDK's second stage: one SQLite for the programs and Qt. The first stage (sdk.sh) links
# SQLite statically into Qt's SQLite driver, so the plugin carries a copy of its own that the
# programs' hardening of every connection (sqlite3_auto_extension) cannot reach. This stage
# adds SDK/shared-sqlite/ beside the first stage's files, which it leaves as they are (so the
# cross build compiles against the same folders and ccache keeps serving it):
#   bin/sqlite3.dll, lib/libsqlite3.dll.a   the first stage's SQLite object as a DLL
#   plugins/sqldrivers/qsqlite.dll          Qt's own driver sources built against that DLL
# The programs link the import library, the tests and the program folder load both from
# there. Under a minute, against the 20-30 of the first stage.
#
#   sdk-sqlite.sh SDK WORKDIR      (writes SDK/shared-sqlite/ whole, or nothing)
set -euo pipefail
sdk=$1
work=$2
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
host=x86_64-w64-mingw32
log() { echo "[winsdk-sqlite $(date +%H:%M:%S)] $*"; }
rm -rf "$work"
stage=$work/shared-sqlite
mkdir -p "$stage/bin" "$stage/lib" "$stage/plugins/sqldrivers"

log "sqlite3.dll"
"$host-gcc-posix" -shared -static-libgcc -o "$stage/bin/sqlite3.dll" -Wl,--whole-archive "$sdk/prefix/lib/libsqlite3.a" \
  -Wl,--no-whole-archive -Wl,--out-implib,"$stage/lib/libsqlite3.dll.a"

# Qt's driver sources, from the source package the machine's archive serves for this Qt.
log "Qt's SQLite driver"
qtversion=$(sed -n 's/^set(PACKAGE_VERSION "\(.*\)")/\1/p' "$sdk/qt/lib/cmake/Qt6/Qt6ConfigVersionImpl.cmake" | head -1)
apt=$work/apt
mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial" "$work/src"
for f in /etc/apt/sources.list.d/*.sources; do
  [ -e "$f" ] && sed -e 's/^Types:.*/Types: deb-src/' "$f" && echo
done >"$apt/sources.list.d/src.sources"
if [ -f /etc/apt/sources.list ]; then
  grep -E '^[[:space:]]*deb[[:space:]]' /etc/apt/sources.list | sed -e 's/^[[:space:]]*deb[[:space:]]/deb-src /' \
    >"$apt/sources.list.d/src.list" || true
fi
opts=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt/sources.list.d" -o Dir::State::Lists="$apt/lists"
  -o Dir::Cache="$apt/cache" -o APT::Sandbox::User=root)
apt-get "${opts[@]}" update >"$work/apt.log" 2>&1
(cd "$work/src" && apt-get "${opts[@]}" source --download-only qt6-base >>"$work/apt.log" 2>&1)
orig=$(ls "$work"/src/qt6-base_"$qtversion"*.orig.tar.xz 2>/dev/null | head -1)
[ -n "$orig" ] || { echo "winsdk-sqlite: no qt6-base $qtversion sources; $(cat "$work/apt.log" | tail -5)" >&2; exit 1; }
tar -C "$work/src" -xJf "$orig" --wildcards '*/src/plugins/sqldrivers/sqlite/*'
driver=$(ls -d "$work"/src/*/src/plugins/sqldrivers/sqlite)
cmake -G Ninja -S "$here/sqldriver" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/WindowsToolchain.cmake" \
  -DMERAVEL_WINSDK="$sdk" -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$sdk/qt" -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake -DQT_SQLITE_SOURCE="$driver" \
  -DSQLITE_INCLUDE_DIR="$sdk/prefix/include" -DSQLITE_LIBRARY="$stage/lib/libsqlite3.dll.a" >"$work/driver.log" 2>&1 \
  && cmake --build "$work/build" >>"$work/driver.log" 2>&1 \
  || { tail -30 "$work/driver.log" >&2; exit 1; }
plugin=$stage/plugins/sqldrivers/qsqlite.dll
cp "$work/build/qsqlite.dll" "$plugin"
# The plugin must take SQLite from the DLL, not carry it.
imports=$("$host-objdump" -p "$plugin")
grep -qi 'DLL Name: sqlite3.dll' <<<"$imports" || { echo "winsdk-sqlite: qsqlite.dll does not use sqlite3.dll" >&2; exit 1; }
rm -rf "$sdk/shared-sqlite"
mv "$stage" "$sdk/shared-sqlite"
log "done: $sdk/shared-sqlite"

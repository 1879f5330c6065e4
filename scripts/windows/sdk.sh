#!/usr/bin/env bash
# Builds the Windows SDK Meravel is cross-compiled against: Qt (qtbase) and the libraries the
# programs link (SQLite, OpenSSL, libpq, libzip, libxlsxwriter, FreeXL with a small iconv),
# all from Debian's source packages, with Debian's mingw-w64.
#
#   sdk.sh DEST WORKDIR
#
# DEST receives prefix/ (the libraries) and qt/ (Qt); WORKDIR holds the sources and the build
# folders (removed by the caller). Each stage leaves a stamp in WORKDIR, so a second call after
# a failure goes on where the first stopped. Everything this file does is part of the SDK's
# cache key (build.sh hashes it with the iconv shim and the toolchain file): change it and the
# SDK is built anew.
set -euo pipefail
dest=$1
work=$2
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
jobs=$(nproc)
host=x86_64-w64-mingw32
export CC=$host-gcc-posix CXX=$host-g++-posix
prefix=$dest/prefix
qt=$dest/qt
src=$work/src
mkdir -p "$prefix/lib" "$prefix/include" "$prefix/bin" "$src" "$work/build" "$work/logs"

log() { echo "[winsdk $(date +%H:%M:%S)] $*"; }
stage() { [ -e "$work/stamp.$1" ]; }
done_stage() { touch "$work/stamp.$1"; }
# Runs a command with its output in a log of its own; on failure shows the log's end.
run() {
  local name=$1
  shift
  if ! "$@" >>"$work/logs/$name.log" 2>&1; then
    echo "winsdk: $name failed; the end of $work/logs/$name.log:" >&2
    tail -40 "$work/logs/$name.log" >&2
    return 1
  fi
}

# The source packages come from the archive this machine already uses: its binary entries
# become deb-src entries in a private apt folder, so the machine's own apt state is untouched.
fetch_sources() {
  stage sources && return 0
  local apt=$work/apt
  mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial"
  local f out=$apt/sources.list.d/src.sources
  : >"$out"
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -e "$f" ] || continue
    sed -e 's/^Types:.*/Types: deb-src/' "$f" >>"$out"
    echo >>"$out"
  done
  if [ -f /etc/apt/sources.list ]; then
    grep -E '^[[:space:]]*deb[[:space:]]' /etc/apt/sources.list | sed -e 's/^[[:space:]]*deb[[:space:]]/deb-src /' \
      >"$apt/sources.list.d/src.list" || true
  fi
  local opts=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt/sources.list.d"
    -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache" -o APT::Sandbox::User=root)
  log "fetching source packages"
  run apt apt-get "${opts[@]}" update
  # A mirror may index a version whose files it no longer serves: then the versions the
  # indexes list are tried newest first.
  local pkg version got
  for pkg in qt6-base sqlite3 openssl postgresql-15 libzip freexl libxlsxwriter; do
    (cd "$src" && apt-get "${opts[@]}" source "$pkg" >>"$work/logs/apt.log" 2>&1) && continue
    got=
    for version in $(apt-cache "${opts[@]}" showsrc "$pkg" | sed -n 's/^Version: //p' | sort -Vru); do
      (cd "$src" && run apt apt-get "${opts[@]}" source "$pkg=$version") && { got=1; break; }
    done
    [ -n "$got" ] || { echo "winsdk: no version of the source package $pkg could be fetched" >&2; return 1; }
  done
  done_stage sources
}

srcdir() { find "$src" -maxdepth 1 -mindepth 1 -type d -name "$1" | sort | head -1; }

build_sqlite() {
  stage sqlite && return 0
  log "sqlite"
  local s b=$work/build/sqlite
  s=$(srcdir 'sqlite3-*')
  rm -rf "$b" && mkdir -p "$b"
  (cd "$b" && run sqlite env -u CC -u CXX "$s/configure" --disable-tcl &&
    run sqlite env -u CC -u CXX make sqlite3.c sqlite3.h sqlite3ext.h)
  run sqlite "$CC" -O2 -c "$b/sqlite3.c" -o "$b/sqlite3.o" -DSQLITE_THREADSAFE=1 -DSQLITE_ENABLE_COLUMN_METADATA \
    -DSQLITE_ENABLE_DBSTAT_VTAB -DSQLITE_ENABLE_UNLOCK_NOTIFY -DSQLITE_USE_URI=1 -DSQLITE_DEFAULT_FOREIGN_KEYS=0 \
    -DSQLITE_ENABLE_FTS5 -DSQLITE_ENABLE_RTREE -DSQLITE_ENABLE_MATH_FUNCTIONS
  run sqlite "$host-ar" rcs "$prefix/lib/libsqlite3.a" "$b/sqlite3.o"
  cp "$b/sqlite3.h" "$b/sqlite3ext.h" "$prefix/include/"
  local version
  version=$(sed -n 's/^#define SQLITE_VERSION *"\(.*\)"/\1/p' "$b/sqlite3.h")
  cat >"$prefix/lib/pkgconfig/sqlite3.pc" <<EOF
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include
Name: SQLite
Description: SQL database engine
Version: $version
Libs: -L\${libdir} -lsqlite3
Cflags: -I\${includedir}
EOF
  done_stage sqlite
}

build_openssl() {
  stage openssl && return 0
  log "openssl"
  local s b=$work/build/openssl
  s=$(srcdir 'openssl-*')
  rm -rf "$b" && mkdir -p "$b"
  (cd "$b" && run openssl env -u CC -u CXX perl "$s/Configure" mingw64 --cross-compile-prefix=$host- \
    --prefix="$prefix" --libdir=lib no-shared no-module no-tests no-legacy no-engine no-capieng \
    no-padlockeng no-async &&
    run openssl make -j"$jobs" build_libs && run openssl make install_dev)
  done_stage openssl
}

build_libpq() {
  stage libpq && return 0
  log "libpq"
  local s b=$work/build/libpq
  s=$(srcdir 'postgresql-15-*')
  rm -rf "$b" && mkdir -p "$b"
  (cd "$b" && run libpq "$s/configure" --host=$host --prefix="$prefix" --without-readline --without-zlib \
    --without-icu --without-gssapi --with-openssl CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib" \
    LIBS="-lcrypt32 -lws2_32 -luser32 -ladvapi32" &&
    run libpq make -C src/include -j"$jobs" && run libpq make -C src/common -j"$jobs" &&
    run libpq make -C src/port -j"$jobs" && run libpq make -C src/interfaces/libpq -j"$jobs" &&
    run libpq make -C src/include install && run libpq make -C src/interfaces/libpq install)
  done_stage libpq
}

build_cmake_lib() {
  local name=$1 pattern=$2
  shift 2
  stage "$name" && return 0
  log "$name"
  local s b=$work/build/$name
  s=$(srcdir "$pattern")
  rm -rf "$b"
  run "$name" cmake -G Ninja -S "$s" -B "$b" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/WindowsToolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF "$@"
  run "$name" cmake --build "$b" -j"$jobs"
  run "$name" cmake --install "$b"
  done_stage "$name"
}

build_iconv_freexl() {
  stage freexl && return 0
  log "iconv shim and freexl"
  local s b=$work/build/freexl
  s=$(srcdir 'freexl-*')
  rm -rf "$b" && mkdir -p "$b"
  run freexl "$CC" -O2 -c "$here/iconv/iconv.c" -I"$here/iconv" -o "$b/iconv.o"
  run freexl "$host-ar" rcs "$prefix/lib/libiconv.a" "$b/iconv.o"
  cp "$here/iconv/iconv.h" "$here/iconv/localcharset.h" "$prefix/include/"
  (cd "$b" && run freexl "$s/configure" --host=$host --prefix="$prefix" --enable-static --disable-shared \
    CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib" &&
    run freexl make -j"$jobs" && run freexl make install)
  done_stage freexl
}

build_qt() {
  stage qt && return 0
  log "qtbase (the longest stage: about 20 minutes on 2 cores)"
  local s b=$work/build/qt
  s=$(srcdir 'qt6-base-*')
  [ -n "$s" ] || s=$(srcdir 'qtbase-*')
  local pqlib=$prefix/lib/libpq.dll.a
  [ -e "$pqlib" ] || pqlib=$prefix/lib/libpq.a
  rm -rf "$b" && mkdir -p "$b"
  (cd "$b" && run qt env -u CC -u CXX "$s/configure" -prefix "$qt" -release -shared \
    -xplatform win32-g++ -device-option CROSS_COMPILE=$host- -qt-host-path /usr \
    -nomake examples -nomake tests -no-dbus -no-opengl -no-icu \
    -no-feature-tabletevent -no-feature-direct2d1_1 \
    -sql-sqlite -system-sqlite -sql-psql -no-sql-odbc -no-sql-mysql -no-sql-ibase -no-sql-oci -no-sql-db2 \
    -schannel -no-openssl -system-zlib -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz -qt-pcre \
    -- -DCMAKE_TOOLCHAIN_FILE="$root/cmake/WindowsToolchain.cmake" -DMERAVEL_WINSDK="$dest" \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DSQLite3_INCLUDE_DIR="$prefix/include" -DSQLite3_LIBRARY="$prefix/lib/libsqlite3.a" \
    -DPostgreSQL_INCLUDE_DIR="$prefix/include" -DPostgreSQL_LIBRARY="$pqlib" &&
    run qt cmake --build . --parallel "$jobs" && run qt cmake --install .)
  done_stage qt
}

mkdir -p "$prefix/lib/pkgconfig"
echo "$dest" >"$dest/.prefix"
fetch_sources
build_sqlite
build_openssl
build_libpq
build_cmake_lib libzip 'libzip-*' -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF -DENABLE_OPENSSL=OFF \
  -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF -DENABLE_COMMONCRYPTO=OFF -DENABLE_WINDOWS_CRYPTO=ON \
  -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF
build_cmake_lib xlsxwriter 'libxlsxwriter-*' -DUSE_SYSTEM_MINIZIP=OFF -DUSE_DTOA_LIBRARY=ON -DBUILD_TESTS=OFF \
  -DBUILD_EXAMPLES=OFF
build_iconv_freexl
build_qt
log "done: $dest"

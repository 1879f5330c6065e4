# Shared by the Windows scripts: the packages, the SDK's key and cache, wine's settings.
# Sourced; expects $root (the source tree) and $here (scripts/windows).

WIN_PACKAGES=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev
  wine64 nsis osslsigncode qt6-translations-l10n dpkg-dev zip xz-utils tcl perl make
)

win_install_packages() {
  bash "$root/scripts/setup.sh"
  local missing=() p
  for p in "${WIN_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# The key is a hash of everything that decides what the SDK holds: the recipe, the iconv
# shim and the toolchain file. The second stage (SDK/shared-sqlite/, sdk-sqlite.sh) is keyed by
# its own recipe, so changing it leaves the first stage cached.
winsdk_key() {
  (cd "$root" && cat scripts/windows/sdk.sh scripts/windows/iconv/iconv.c scripts/windows/iconv/iconv.h \
    scripts/windows/iconv/localcharset.h cmake/WindowsToolchain.cmake) | sha256sum | cut -c1-16
}
winsdk_sqlite_key() {
  cat "$root/scripts/windows/sdk-sqlite.sh" "$root/scripts/windows/sqldriver/CMakeLists.txt" | sha256sum | cut -c1-16
}

winsdk_cache() { echo "${MERAVEL_WINSDK_CACHE:-/var/cache/meravel/winsdk}"; }

# Prints the SDK's folder: the cached one when its key matches, else one unpacked from
# $MERAVEL_WINSDK_ARCHIVES/<key>.tar.xz, else one built now; then makes its second stage when
# that is missing or of another recipe. A cached first stage is never rebuilt.
winsdk_ensure() {
  local dir
  dir=$(winsdk_first_stage) || return 1
  if [ "$(cat "$dir/shared-sqlite/.complete" 2>/dev/null)" != "$(winsdk_sqlite_key)" ]; then
    echo "Making the SDK's shared SQLite in $dir/shared-sqlite" >&2
    bash "$here/sdk-sqlite.sh" "$dir" "$dir.sqlite-work" >&2 || return 1
    winsdk_sqlite_key >"$dir/shared-sqlite/.complete"
    rm -rf "$dir.sqlite-work"
  fi
  echo "$dir"
}

winsdk_first_stage() {
  local key cache dir
  key=$(winsdk_key)
  cache=$(winsdk_cache)
  dir=$cache/$key
  if [ -e "$dir/.complete" ]; then
    winsdk_relocate "$dir"
    echo "$dir"
    return 0
  fi
  mkdir -p "$cache"
  if [ -n "${MERAVEL_WINSDK_ARCHIVES:-}" ] && [ -f "$MERAVEL_WINSDK_ARCHIVES/$key.tar.xz" ]; then
    echo "Unpacking the Windows SDK from $MERAVEL_WINSDK_ARCHIVES/$key.tar.xz" >&2
    rm -rf "$dir"
    tar -C "$cache" -xJf "$MERAVEL_WINSDK_ARCHIVES/$key.tar.xz"
    [ -e "$dir/.complete" ] && { winsdk_relocate "$dir"; echo "$dir"; return 0; }
    echo "The archive did not hold a complete SDK; building it" >&2
  fi
  echo "Building the Windows SDK into $dir (20-30 minutes on 2 cores)" >&2
  bash "$here/sdk.sh" "$dir" "$cache/$key.work" >&2 || return 1
  touch "$dir/.complete"
  rm -rf "$cache/$key.work"
  echo "$dir"
}

# Qt's and the libraries' CMake files find their own folder; the pkg-config files name the
# folder the SDK was built in. After a move (an archive unpacked elsewhere) they are pointed at
# the SDK's present folder.
winsdk_relocate() {
  local dir=$1 old
  old=$(cat "$dir/.prefix" 2>/dev/null || true)
  [ -n "$old" ] && [ "$old" != "$dir" ] || return 0
  find "$dir/prefix/lib/pkgconfig" -name '*.pc' -exec sed -i -e "s|$old|$dir|g" {} +
  echo "$dir" >"$dir/.prefix"
}

# Configures a cross build against the SDK: win_configure SDK BUILD HOST_TOOLS [cmake args...].
# Every build of the Windows programs takes the same settings, so ccache serves one build's
# objects to another whose folder lies as deep (only what its extra settings change compiles).
win_configure() {
  local sdk=$1 build=$2 tools=$3
  shift 3
  export PKG_CONFIG_LIBDIR="$sdk/prefix/lib/pkgconfig:/usr/x86_64-w64-mingw32/lib/pkgconfig"
  export PKG_CONFIG_PATH=
  export MERAVEL_WINSDK=$sdk
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/WindowsToolchain.cmake" -DMERAVEL_WINSDK="$sdk" \
    -DCMAKE_PREFIX_PATH="$sdk/qt;$sdk/prefix" -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DMERAVEL_HOST_TOOLS_DIR="$tools" -DCMAKE_CROSSCOMPILING_EMULATOR="$here/wine-run.sh" \
    -DMERAVEL_WERROR=ON -DMERAVEL_CLANG_FUZZER=OFF -DMERAVEL_BENCHMARKS=OFF -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
    -DCMAKE_C_COMPILER_LAUNCHER=ccache -DMERAVEL_SQLITE3_LIBRARY="$sdk/shared-sqlite/lib/libsqlite3.dll.a" \
    ${MERAVEL_WIN_CMAKE_ARGS:-} "$@" >/dev/null
}

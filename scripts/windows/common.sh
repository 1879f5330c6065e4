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
# shim and the toolchain file.
winsdk_key() {
  (cd "$root" && cat scripts/windows/sdk.sh scripts/windows/iconv/iconv.c scripts/windows/iconv/iconv.h \
    scripts/windows/iconv/localcharset.h cmake/WindowsToolchain.cmake) | sha256sum | cut -c1-16
}

winsdk_cache() { echo "${MERAVEL_WINSDK_CACHE:-/var/cache/meravel/winsdk}"; }

# Prints the SDK's folder: the cached one when its key matches, else one unpacked from
# $MERAVEL_WINSDK_ARCHIVES/<key>.tar.xz, else one built now. A cached SDK is never rebuilt.
winsdk_ensure() {
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
  bash "$here/sdk.sh" "$dir" "$cache/$key.work" >&2
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

#!/usr/bin/env bash
# Builds the Debian package from the existing build tree with cpack (no second build) and
# checks it: the files a desktop installation needs, Debian's names of the dependencies,
# nothing outside /usr, and no lintian errors (where lintian is installed); the desktop entry
# and AppStream file pass their validators where those are installed.
#   package_test.sh CPACK BUILD_DIR VERSION APP_ID
set -uo pipefail
cpack=$1 build=$2 version=$3 appid=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log"; echo "FAIL: cpack" >&2; exit 1; }
deb=$work/out/meravel_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { ls "$work/out"; echo "FAIL: no $deb" >&2; exit 1; }

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|/$||' >"$work/files"
for f in ./usr/bin/meravel ./usr/bin/meravel-cli ./usr/libexec/meravel/meravel-xls \
         ./usr/share/meravel/meravelDB.mdb ./usr/share/meravel/Theme.skn \
         ./usr/share/meravel/Meravel-Excel.xlsx ./usr/share/meravel/skin/skin.txt \
         ./usr/share/meravel/skin/1.skn ./usr/share/meravel/skin/48.skn \
         "./usr/share/applications/$appid.desktop" "./usr/share/metainfo/$appid.metainfo.xml" \
         "./usr/share/icons/hicolor/scalable/apps/$appid.svg" \
         "./usr/share/icons/hicolor/48x48/apps/$appid.png" \
         "./usr/share/icons/hicolor/128x128/apps/$appid.png" \
         "./usr/share/icons/hicolor/256x256/apps/$appid.png" \
         ./usr/share/man/man1/meravel-cli.1.gz ./usr/share/man/man1/meravel.1.gz \
         ./usr/share/doc/meravel/copyright ./usr/share/doc/meravel/changelog.gz \
         ./usr/share/meravel/translations/qtbase_fa.qm; do
  grep -qxF "$f" "$work/files" || fail "the package lacks $f"
done
# The display face the build derives, installed with the templates.
for font in "$build"/program/*.ttf; do
  [ -e "$font" ] || continue
  grep -qxF "./usr/share/meravel/$(basename "$font")" "$work/files" || fail "the package lacks $(basename "$font")"
done
outside=$(grep -v -e '^\.$' -e '^\./usr$' -e '^\./usr/' "$work/files")
[ -z "$outside" ] || fail "files outside /usr: $outside"

depends=$(dpkg-deb -f "$deb" Depends)
for p in libqt6core6 libqt6widgets6 libqt6sql6-sqlite libqt6network6 libqt6printsupport6 \
         libzip4 libfreexl1 libssl3 fonts-noto-core; do
  echo "$depends" | tr ',' '\n' | sed 's/^ *//; s/ .*//' | grep -qxF "$p" || fail "Depends lacks $p: $depends"
done
# Every library the programs link comes from a package the package depends on: the package
# that holds each NEEDED library here must be named in Depends.
names=$(echo "$depends" | tr ',|' '\n\n' | sed 's/^ *//; s/ .*//')
triplet=$(gcc -dumpmachine) # the libraries of this architecture, not of its multilib peers
owners=
for program in "$build/program/meravel" "$build/program/meravel-cli" "$build/program/meravel-xls"; do
  for so in $(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    owner=$(dpkg -S "*/$so" 2>/dev/null | awk -v end="/$triplet/$so" 'substr($0, length($0) - length(end) + 1) == end' \
      | head -n 1 | cut -d: -f1)
    [ -n "$owner" ] || continue # not from a package of this machine
    echo "$names" | grep -qxF "$owner" || fail "$(basename "$program") links $so of $owner, which Depends lacks"
    owners="$owners $owner"
  done
done
# And the converse: a library package in Depends holds a library some program links, or one
# that Qt loads at run time (its SQLite driver). A build-time library stays out.
for p in $names; do
  case $p in
    lib*) ;;
    *) continue ;;
  esac
  case " libqt6sql6-sqlite $owners " in
    *" $p "*) ;;
    *) fail "Depends names $p, which no program links" ;;
  esac
done
recommends=$(dpkg-deb -f "$deb" Recommends)
echo "$recommends" | grep -q 'libqt6sql6-psql' || fail "Recommends lacks libqt6sql6-psql: $recommends"
expect() { [ "$(dpkg-deb -f "$deb" "$1")" = "$2" ] || fail "$1 is [$(dpkg-deb -f "$deb" "$1")], not [$2]"; }
expect Package meravel
expect Version "$version"
expect Section education

# The icon sizes are what their folders say.
dpkg-deb -x "$deb" "$work/root"
if command -v file >/dev/null; then
  for s in 48 128 256; do
    file "$work/root/usr/share/icons/hicolor/${s}x${s}/apps/$appid.png" | grep -q "$s x $s" \
      || fail "the ${s} pixel icon is not ${s} x ${s}"
  done
fi
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$work/root/usr/share/applications/$appid.desktop" || fail "desktop-file-validate"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net --explain "$work/root/usr/share/metainfo/$appid.metainfo.xml" >"$work/appstream" 2>&1 \
    || { cat "$work/appstream"; fail "appstreamcli validate"; }
fi

if command -v lintian >/dev/null; then
  lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1 || { cat "$work/lintian"; fail "lintian reports errors"; }
  grep -q '^E: ' "$work/lintian" && { cat "$work/lintian"; fail "lintian reports errors"; }
  cat "$work/lintian"
else
  echo "lintian is not installed: the package is not checked by it"
fi

[ "$failures" -eq 0 ] || { echo "$failures failure(s)" >&2; exit 1; }
echo "package test passed: $(basename "$deb"), $(wc -l <"$work/files") entries"

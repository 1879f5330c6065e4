#!/usr/bin/env bash
# Lays out the Windows program from a cross build: the three programs, Qt's DLLs and the
# plugins the programs load, the libraries and the mingw run-time, Qt's Persian translation,
# and the content the build generated (databases, skins, blank workbook, display face).
#   layout.sh SDK CROSS_BUILD DEST installed   bin\ and share\meravel\ (the templates of a
#                                              per-user folder), as the set-up program installs it
#   layout.sh SDK CROSS_BUILD DEST portable    one folder holding the databases beside the
#                                              programs (a copy on a USB stick)
set -euo pipefail
sdk=$1
build=$2
dest=$3
mode=$4
prog=$build/program
rm -rf "$dest"
case $mode in
  installed) bin=$dest/bin; data=$dest/share/meravel ;;
  portable) bin=$dest; data=$dest ;;
  *) echo "layout.sh: installed or portable" >&2; exit 2 ;;
esac
mkdir -p "$bin" "$data/skin"
cp "$prog"/meravel.exe "$prog"/meravel-cli.exe "$prog"/meravel-xls.exe "$bin/"
for m in Core Gui Widgets Sql Network PrintSupport; do
  cp "$sdk/qt/bin/Qt6$m.dll" "$bin/"
done
# SQLite is one DLL, shared by the programs and Qt's SQLite driver (the SDK's second stage).
cp "$sdk/prefix/bin/libpq.dll" "$sdk/shared-sqlite/bin/sqlite3.dll" "$bin/"
cp /usr/lib/gcc/x86_64-w64-mingw32/12-posix/libgcc_s_seh-1.dll \
  /usr/lib/gcc/x86_64-w64-mingw32/12-posix/libstdc++-6.dll /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll \
  /usr/x86_64-w64-mingw32/lib/zlib1.dll "$bin/"
plugins=$sdk/qt/plugins
for p in platforms/qwindows.dll platforms/qoffscreen.dll sqldrivers/qsqlite.dll sqldrivers/qsqlpsql.dll \
  tls/qschannelbackend.dll styles/qwindowsvistastyle.dll imageformats/qjpeg.dll imageformats/qico.dll \
  imageformats/qgif.dll; do
  [ -f "$plugins/$p" ] || continue
  mkdir -p "$bin/$(dirname "$p")"
  cp "$plugins/$p" "$bin/$p"
done
cp "$sdk/shared-sqlite/plugins/sqldrivers/qsqlite.dll" "$bin/sqldrivers/"
# Qt's own dialogs (files, printing, message box buttons) read Persian from this file.
mkdir -p "$bin/translations"
cp /usr/share/qt6/translations/qtbase_fa.qm "$bin/translations/"
# The programs find their plugins and translations beside them.
printf '[Paths]\r\nPrefix = .\r\nPlugins = .\r\nTranslations = translations\r\n' >"$bin/qt.conf"

cp "$prog"/meravelDB.mdb "$prog"/Theme.skn "$prog"/Meravel-Excel.xlsx "$prog"/MeravelNazli*.ttf "$data/"
cp "$prog"/skin/*.skn "$prog"/skin/skin.txt "$data/skin/"

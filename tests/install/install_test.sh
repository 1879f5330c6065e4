#!/usr/bin/env bash
# Installs the built program into a temporary prefix and uses the installed meravel-cli as a
# new user would, with HOME in a temporary folder: the per-user program folder is created
# (owner-only) from the installed templates, register, import and export work on it, a second
# run keeps the data, and nothing is ever written under the prefix.
#   install_test.sh CMAKE BUILD_DIR VERSION APP_ID
set -uo pipefail
cmake=$1 build=$2 version=$3 appid=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
export HOME=$work/home
mkdir -p "$HOME" "$work/run"
unset MERAVEL_XLS_HELPER XDG_DATA_HOME XDG_CONFIG_HOME
user=$HOME/.local/share/Meravel

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
expect_eq() { [ "$1" = "$2" ] || fail "$3: expected [$2], got [$1]"; }

"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log"; echo "FAIL: cmake --install" >&2; exit 1; }

# The layout of the installation.
for f in bin/meravel bin/meravel-cli libexec/meravel/meravel-xls \
         share/meravel/meravelDB.mdb share/meravel/Theme.skn share/meravel/Meravel-Excel.xlsx \
         share/meravel/skin/skin.txt share/meravel/skin/1.skn share/meravel/skin/48.skn \
         "share/applications/$appid.desktop" "share/metainfo/$appid.metainfo.xml" \
         "share/icons/hicolor/scalable/apps/$appid.svg" "share/icons/hicolor/48x48/apps/$appid.png" \
         "share/icons/hicolor/128x128/apps/$appid.png" "share/icons/hicolor/256x256/apps/$appid.png" \
         share/man/man1/meravel-cli.1.gz share/man/man1/meravel.1.gz; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done
# Qt's Persian texts, where the installed programs look for them (relative to bin/).
cmp -s "$build/program/translations/qtbase_fa.qm" "$prefix/share/meravel/translations/qtbase_fa.qm" \
  || fail "Qt's Persian translation not installed: share/meravel/translations/qtbase_fa.qm"
for font in "$build"/program/*.ttf; do
  [ -e "$font" ] || continue
  cmp -s "$font" "$prefix/share/meravel/$(basename "$font")" || fail "display face not installed: $(basename "$font")"
done
[ -e "$prefix/bin/meravel-xls" ] && fail "the .xls helper is installed beside the programs, not in libexec"
[ -e "$prefix/bin/meravelDB.mdb" ] && fail "a database beside the installed programs makes them portable"

snapshot() { (cd "$prefix" && find . -printf '%p %y %s %m %T@\n' | LC_ALL=C sort); }
before=$(snapshot)

cli() { (cd "$work/run" && "$prefix/bin/meravel-cli" "$@"); }

expect_eq "$(cli --version)" "meravel-cli $version" "meravel-cli --version"
expect_eq "$("$prefix/bin/meravel" --version)" "meravel $version" "meravel --version"
[ -e "$user" ] && fail "--version created the data folder"
# The manual page is meravel-cli's own --help.
zcat "$prefix/share/man/man1/meravel-cli.1.gz" | grep -q 'register \\-\\-code C' \
  || fail "the manual page lacks the register command"

# First use: the folder is created from the templates, with a one-line notice.
cli register --code 101 --first Sara --last Ahmadi --sex 2 --age 16 --class 10 --group A \
  >"$work/out1" 2>"$work/err1" || fail "first register: $(cat "$work/err1")"
[ -d "$user" ] || fail "no per-user folder at $user"
expect_eq "$(stat -c %a "$user" 2>/dev/null)" 700 "permissions of the per-user folder"
expect_eq "$(wc -l <"$work/err1")" 1 "lines of the first-use notice"
grep -qF "$user" "$work/err1" || fail "the notice does not name the folder: $(cat "$work/err1")"
for f in meravelDB.mdb Theme.skn Meravel-Excel.xlsx skin/skin.txt skin/48.skn; do
  [ -f "$user/$f" ] || fail "not filled from the templates: $f"
done
cmp -s "$user/Theme.skn" "$prefix/share/meravel/Theme.skn" || fail "Theme.skn differs from its template"

# The .xls reader is found in libexec: a workbook holding only the marker imports.
if /usr/bin/python3 -c 'import xlwt' 2>/dev/null; then
  /usr/bin/python3 -c '
import sys, xlwt
wb = xlwt.Workbook(encoding="utf-8")
wb.add_sheet("Answers").write(2, 25, "Meravel")
wb.save(sys.argv[1])' "$work/answers.xls"
  cli import --code 101 "$work/answers.xls" >"$work/out2" 2>"$work/err2" \
    || fail "import of an .xls through the installed helper: $(cat "$work/err2")"
else
  echo "python3-xlwt missing: the .xls import through the installed helper is not checked"
fi

cli export --out "$work/first.csv" 2>"$work/err3" || fail "first export: $(cat "$work/err3")"
grep -q '^101,' "$work/first.csv" || fail "the export lacks subject 101"

# A second run: no notice, the data stays, a second subject joins it.
cli register --code 102 --first Reza --last Karimi --sex 1 --age 17 --class 11 --group B \
  >"$work/out4" 2>"$work/err4" || fail "second register: $(cat "$work/err4")"
[ -s "$work/err4" ] && fail "second run printed: $(cat "$work/err4")"
cli export --out "$work/second.csv" 2>/dev/null || fail "second export"
grep -q '^101,' "$work/second.csv" || fail "the second run lost subject 101"
grep -q '^102,' "$work/second.csv" || fail "the second run did not keep subject 102"
cmp -s "$user/meravelDB.mdb" "$prefix/share/meravel/meravelDB.mdb" && fail "the database was written to its template"

# A backup goes where the user says, the lock and the default folders stay in the user's.
cli backup "$work/copy.mdbB" >/dev/null 2>&1 || fail "backup"
[ -s "$work/copy.mdbB" ] || fail "no backup written"

# Nothing was written under the prefix.
after=$(snapshot)
[ "$before" = "$after" ] || { fail "the installation changed:"; diff <(echo "$before") <(echo "$after") >&2; }

# --folder still wins over the per-user folder.
mkdir -p "$work/portable"
cp "$prefix/share/meravel/meravelDB.mdb" "$prefix/share/meravel/Theme.skn" "$work/portable/"
cli --folder "$work/portable" export --out "$work/portable.csv" 2>/dev/null || fail "export with --folder"
grep -q '^101,' "$work/portable.csv" && fail "--folder read the per-user database"

[ "$failures" -eq 0 ] || { echo "$failures failure(s)" >&2; exit 1; }
echo "install test passed"

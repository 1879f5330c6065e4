#!/usr/bin/env bash
# Installs every Debian 12 package Meravel needs to build, run and test. Idempotent: quiet
# when everything is already present. Run as root (or with sudo available).
set -euo pipefail

PACKAGES=(
  g++ cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libsqlite3-dev libqt6network6 libqt6printsupport6
  libgl-dev libglx-dev libzip-dev libfreexl-dev libxlsxwriter-dev libssl-dev
  fonts-farsiweb fonts-noto-core
  # Qt's own Persian texts (qtbase_fa.qm), shipped in the program folder
  qt6-translations-l10n
  sqlite3 poppler-utils xvfb xauth imagemagick
  # the layout check of changed lines (scripts/check-format.sh)
  clang-format-14
  python3-xlwt python3-fonttools
  # the icon's PNG sizes are rendered from its SVG; the package test checks the .deb, its
  # desktop entry and AppStream file
  librsvg2-bin lintian desktop-file-utils appstream file
  # the main database on a server: Qt's PostgreSQL driver, libpq, and a server for the tests
  libqt6sql6-psql libpq-dev postgresql
  # the tests read the exported workbooks back with a library other than ours
  python3-openpyxl
  # clang with its libFuzzer and sanitizer run-times builds the fuzz targets
  clang libclang-rt-14-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

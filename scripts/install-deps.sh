#!/usr/bin/env bash
# Installs the Debian 12 packages that Kwatrix needs and that are missing.
# Usage: scripts/install-deps.sh [run|test|fuzz]
set -euo pipefail

# librsvg2-bin renders the PNG icons; dpkg-dev and file let cpack work out the package's
# dependencies (CPackDeb reads the binaries' type with file);
# the exports write JSON with Debian's JSON library and workbooks with libxlsxwriter;
# the store of many sites is an SQLite file or a PostgreSQL server.
packages=(cmake make g++ pkg-config qt6-base-dev qt6-svg-dev libqcustomplot-dev libgl-dev
          libgtest-dev libgmock-dev libbenchmark-dev fonts-dejavu-core qt6-translations-l10n
          librsvg2-bin dpkg-dev file nlohmann-json3-dev libxlsxwriter-dev
          libsqlite3-dev libpq-dev)
if [ "${1:-run}" = "test" ]; then
    packages+=(clang-format)
    # The package test: validators, manual pages, the installed program under Xvfb.
    packages+=(appstream desktop-file-utils man-db xvfb xauth xdotool imagemagick)
    # Exports are read back with a real CSV reader and checked as PDF text.
    packages+=(libcsv-dev poppler-utils)
    # Workbooks are read back with openpyxl and converted by LibreOffice, as a
    # user's spreadsheet reads them.
    packages+=(python3-openpyxl libreoffice-calc-nogui)
    # Every save interrupted at each system call; the Czech locale for the
    # decimal comma; setpriv runs the tests that need an ordinary user.
    packages+=(strace locales util-linux)
    # The store tests run against a real PostgreSQL server of their own.
    packages+=(postgresql-15)
fi
# The fuzz build needs clang with libFuzzer and the sanitizer runtimes.
if [ "${1:-run}" = "fuzz" ]; then
    packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi
if [ ${#missing[@]} -ne 0 ]; then
    echo "Installing missing packages: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The tests check the decimal point on a Czech desktop.
if [ "${1:-run}" = "test" ] && ! locale -a 2>/dev/null | grep -qiE '^cs_CZ\.utf-?8$'; then
    echo "Generating the locale cs_CZ.UTF-8"
    "${sudo[@]}" localedef -i cs_CZ -f UTF-8 cs_CZ.UTF-8
fi

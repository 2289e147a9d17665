#!/usr/bin/env bash
# Installs every Debian 12 package the project needs to build, run and test.
# Safe to run again: it installs only what is missing.
set -euo pipefail

PACKAGES=(
    # build
    cmake ninja-build gcc g++ make pkg-config clang-format
    # the Debian packages: dpkg-shlibdeps works out their Depends, lintian checks them,
    # help2man writes the programs' man pages
    dpkg-dev file lintian help2man
    # Qt 6: widgets, SQL drivers, printing, test, TIFF and other image formats
    qt6-base-dev qt6-base-dev-tools libgl-dev libqt6sql6-sqlite libqt6sql6-psql libqt6sql6-odbc
    qt6-image-formats-plugins qt6-translations-l10n
    # C libraries behind the platform layer
    libcurl4-openssl-dev libsane-dev sane-utils libtiff-dev libtiff-tools libjpeg62-turbo-dev libpng-dev libcups2-dev libmagick++-dev libpoppler-qt6-dev
    # ImageMagick's reader of Windows metafiles (WMF, through libwmf), loaded as it is needed
    libmagickcore-6.q16-6-extra
    libsqlite3-dev libpq-dev
    # X11 client library: a display is tried before Qt would end a host on one that does not answer
    libxcb1-dev
    # databases for the tests: PostgreSQL and MariaDB servers, Qt's MySQL driver, ODBC with the
    # PostgreSQL and MariaDB drivers
    postgresql mariadb-server libqt6sql6-mysql unixodbc odbc-postgresql odbc-mariadb
    # the clients the store and transfer benchmarks compare with, and GNU time for their peak memory
    sqlite3 time curl
    # FTP servers (and certificates for the TLS one), PDF tools and a virtual X server for tests and screenshots
    python3-pyftpdlib vsftpd openssl poppler-utils xvfb xauth x11-apps imagemagick xdg-utils
    # print server with a PDF printer for the printing tests
    cups printer-driver-cups-pdf
    # Chinese texts
    fonts-wqy-zenhei
    # text recognition of scanned pages (the reading program) and its Chinese model
    tesseract-ocr tesseract-ocr-chi-sim libtesseract-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=
[ "$(id -u)" = 0 ] || SUDO=sudo
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"

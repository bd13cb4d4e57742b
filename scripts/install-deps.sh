#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run, test and package Mervalon.
set -euo pipefail
packages=(
    build-essential cmake ninja-build pkg-config clang clang-format libclang-rt-14-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libzip-dev libexpat1-dev
    python3 python3-ezdxf python3-gdal python3-xlrd python3-xlwt python3-olefile python3-openpyxl gnumeric
    libreoffice-calc valgrind
    xvfb xauth fonts-dejavu-core parallel openbox xdotool x11-utils imagemagick
    help2man librsvg2-bin dpkg-dev file lintian desktop-file-utils appstream shared-mime-info
)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

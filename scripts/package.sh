#!/usr/bin/env bash
# Builds the Debian package build/package/mervalon_<version>_<architecture>.deb with CPack.
#   bash scripts/package.sh              installs what is needed, builds the release preset, packages it
#   bash scripts/package.sh BUILD_DIR    packages a tree that is already configured (brought up to
#                                        date first; the test command packages build/ci this way)
# Install the result with: sudo apt install ./build/package/mervalon_*.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if [ $# -eq 0 ]; then
    bash scripts/install-deps.sh
    cmake --preset release
    cmake --build --preset release
    build=build/release
else
    build=$1
    cmake --build "$build"
fi
out="$root/build/package"
mkdir -p "$out"
rm -f "$out"/mervalon_*.deb
cpack --config "$build/CPackConfig.cmake" -B "$out"
rm -rf "$out/_CPack_Packages"
ls "$out"/mervalon_*.deb

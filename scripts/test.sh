#!/usr/bin/env bash
# Builds and runs every test: the warnings-as-errors build (then the Debian package made from it
# and checked), then the same tests under AddressSanitizer and UndefinedBehaviorSanitizer (the
# fuzz corpora are replayed by both), then the engine's and the command line's tests under
# ThreadSanitizer (--jobs converts files on threads of their own).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
# A missing peer tool (ezdxf, xlrd, xlwt, olefile, ssconvert) is a failure here, never a skip.
unset MERVALON_ALLOW_MISSING_PEERS

cmake --preset ci
cmake --build --preset ci
ctest --preset ci

# The Debian package, made from the tree just built and tested (no third build), then checked:
# lintian, the desktop files, and the programs run from the package unpacked into a throw-away root.
bash scripts/package.sh build/ci
bash scripts/check-package.sh

cmake --preset asan
cmake --build --preset asan
ctest --preset asan

cmake --preset tsan
cmake --build --preset tsan
ctest --preset tsan

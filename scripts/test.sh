#!/usr/bin/env bash
# Builds and runs every test: the warnings-as-errors build, then the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, then the fuzz corpora replayed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
# A missing peer tool (ezdxf, xlrd, xlwt, olefile, ssconvert) is a failure here, never a skip.
unset MERVALON_ALLOW_MISSING_PEERS

cmake --preset ci
cmake --build --preset ci
ctest --preset ci

cmake --preset asan
cmake --build --preset asan
ctest --preset asan

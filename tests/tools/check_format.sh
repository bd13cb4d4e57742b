#!/usr/bin/env bash
# Every C++ source is laid out as clang-format lays it out (.clang-format at the top; Debian 12's
# clang-format 14), so that layout is never a review comment and never mixed into a change.
# Usage: check_format.sh SOURCE_DIR. To mend: clang-format -i on the files named.
set -euo pipefail
cd "$1"
if ! command -v clang-format >/dev/null 2>&1; then
    echo "FAIL: clang-format is missing: install the Debian package 'clang-format' (scripts/install-deps.sh does)" >&2
    exit 1
fi
find src tests bench fuzz tools \( -name '*.cpp' -o -name '*.h' \) -not -path '*/corpus/*' -print0 |
    sort -z | xargs -0 clang-format --dry-run --Werror

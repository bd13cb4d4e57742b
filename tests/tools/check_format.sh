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
status=0
while IFS= read -r -d '' file; do
    if ! clang-format --dry-run --Werror "$file" 2>/dev/null; then
        echo "FAIL: $file is not laid out by clang-format: run clang-format -i $file" >&2
        status=1
    fi
done < <(find src tests bench fuzz tools \( -name '*.cpp' -o -name '*.h' \) -not -path '*/corpus/*' -print0 | sort -z)
exit $status

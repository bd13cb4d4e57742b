#!/usr/bin/env bash
# Installs what is needed, builds Mervalon and converts the bundled example point file.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release
cmake --build --preset release
example_out=$(mktemp -d)
./build/release/src/cli/mervalon-convert --dest "$example_out" --report "$example_out/mervalon40.log" \
    examples/road-and-building-survey.txt
echo
cat "$example_out/mervalon40.log"
echo "The drawing: $example_out/road-and-building-survey.dxf"

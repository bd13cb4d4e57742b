#!/usr/bin/env bash
# Takes the pictures of the manual from the program itself, so that they never show an older
# window: builds app_screenshots, runs it on a virtual screen with a temporary home (it makes
# its own installation there) and copies the pictures into data/help/images.
#   scripts/help-screenshots.sh [preset]     (default: ci; the build folder must be configured)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
preset=${1:-ci}
cmake --build --preset "$preset" -j2 --target app_screenshots mervalon_data
# A fixed folder, so that the paths in the pictures (and so the pictures) stay the same from
# one run to the next.
work=/tmp/mervalon-help-pictures
rm -rf "$work"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home"
HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
    LC_ALL=C QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$root/build/$preset/tests/app/app_screenshots" "$work/pictures"
mkdir -p "$root/data/help/images"
cp "$work"/pictures/*.png "$root/data/help/images/"
ls "$work/pictures"

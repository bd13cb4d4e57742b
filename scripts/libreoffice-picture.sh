#!/usr/bin/env bash
# Takes the manual's picture of a drawing whose texts hold letters beyond ASCII (the Polish ł and
# ó, the Chinese 中) as LibreOffice Draw shows it: converts a small UTF-8 point file with
# mervalon-convert --escape-non-ascii, checks the escapes are in the drawing, and has LibreOffice
# (headless, with a profile of its own) import the drawing and export it as a picture. Draw fits
# the imported drawing onto its page, so the picture also shows the drawing's extents.
#   scripts/libreoffice-picture.sh [preset]     (default: ci; the build folder must be configured)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
preset=${1:-ci}
need() {
    command -v "$1" >/dev/null || { echo "$0: $1 is missing: apt-get install $2" >&2; exit 1; }
}
need soffice "libreoffice-draw"
need fc-list fontconfig
fc-list :lang=zh | grep -q . || { echo "$0: no Chinese font: apt-get install fonts-wqy-zenhei" >&2; exit 1; }
cmake --build --preset "$preset" -j2 --target mervalon-convert mervalon_data
work=/tmp/mervalon-libreoffice-picture
rm -rf "$work"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home"
printf '%s\r\n' \
    '1,100.000,100.000,10.00,Słup ł,1' \
    '2,103.000,100.000,10.50,Żółw,2' \
    '3,103.000,102.000,11.00,中心 中,2' \
    '4,100.000,102.000,10.75,Łąka,3' >"$work/letters.txt"
HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" LC_ALL=C \
    "$root/build/$preset/src/cli/mervalon-convert" --escape-non-ascii --dest "$work" "$work/letters.txt"
grep -q '\\U+017B\\U+00F3\\U+0142w' "$work/letters.dxf" || { echo "$0: no \\U+00F3 in the drawing" >&2; exit 1; }
grep -q '\\U+4E2D\\U+5FC3 \\U+4E2D' "$work/letters.dxf" || { echo "$0: no \\U+4E2D in the drawing" >&2; exit 1; }
HOME="$work/home" soffice "-env:UserInstallation=file://$work/profile" --headless --convert-to png \
    --outdir "$work/out" "$work/letters.dxf" >/dev/null 2>&1
[ -s "$work/out/letters.png" ] || { echo "$0: LibreOffice made no picture" >&2; exit 1; }
mkdir -p "$root/data/help/images"
cp "$work/out/letters.png" "$root/data/help/images/libreoffice-letters.png"
echo "data/help/images/libreoffice-letters.png"

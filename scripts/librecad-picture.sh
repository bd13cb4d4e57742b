#!/usr/bin/env bash
# Takes the manual's picture of a drawing whose texts hold letters that Windows-1252 lacks (the
# Polish ł, the Chinese 中) open in LibreCAD: converts a small UTF-8 point file with
# mervalon-convert, which writes those letters as the escapes \U+0142 and \U+4E2D, checks that it
# did, opens the drawing in LibreCAD on a virtual screen and takes a picture of LibreCAD's window.
# ("librecad dxf2png" does not end under Xvfb, so the window itself is pictured.) LibreCAD 2.2
# draws the drawing's font "txt" with its stroke font "standard", which has the Polish letters but
# no Chinese ones: it draws a diamond for each of those, one per letter.
#   scripts/librecad-picture.sh [preset]     (default: ci; the build folder must be configured)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
preset=${1:-ci}
need() {
    command -v "$1" >/dev/null || { echo "$0: $1 is missing: apt-get install $2" >&2; exit 1; }
}
need librecad librecad
need xdotool xdotool
need import imagemagick
need xvfb-run xvfb
cmake --build --preset "$preset" -j2 --target mervalon-convert mervalon_data
work=/tmp/mervalon-librecad-picture
rm -rf "$work"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home/.config/LibreCAD"
# LibreCAD's first start asks for units and language; a settings file saying it has started
# before opens the drawing straight away.
cat >"$work/home/.config/LibreCAD/LibreCAD.conf" <<'CONF'
[Startup]
FirstLoad=0
ShowSplash=0
[Defaults]
Unit=Meter
CONF
printf '%s\r\n' \
    '1,100.000,100.000,10.00,Słup ł,1' \
    '2,103.000,100.000,10.50,Most,2' \
    '3,103.000,102.000,11.00,中心 中,2' \
    '4,100.000,102.000,10.75,Łąka,3' >"$work/letters.txt"
HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" LC_ALL=C \
    "$root/build/$preset/src/cli/mervalon-convert" --escape-non-ascii --dest "$work" "$work/letters.txt"
grep -q 'S\\U+0142up \\U+0142' "$work/letters.dxf" || { echo "$0: no \\U+0142 in the drawing" >&2; exit 1; }
grep -q '\\U+4E2D\\U+5FC3 \\U+4E2D' "$work/letters.dxf" || { echo "$0: no \\U+4E2D in the drawing" >&2; exit 1; }
mkdir -p "$root/data/help/images"
HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
    xvfb-run -a -s "-screen 0 1100x760x24" bash -c '
    librecad "$1" >/dev/null 2>&1 &
    pid=$!
    window=
    for _ in $(seq 60); do
        window=$(xdotool search --onlyvisible --name "LibreCAD" 2>/dev/null | tail -1) && [ -n "$window" ] && break
        sleep 1
    done
    [ -n "$window" ] || { echo "LibreCAD showed no window" >&2; kill "$pid"; exit 1; }
    xdotool windowsize "$window" 1100 760 windowmove "$window" 0 0
    sleep 6
    # "za" on the command line: zoom to the whole drawing.
    xdotool mousemove 930 642 click 1 sleep 1 type --delay 100 "za"
    xdotool key Return
    sleep 4
    import -window root "$2"
    kill "$pid"
' _ "$work/letters.dxf" "$root/data/help/images/librecad-letters.png"
echo "picture: data/help/images/librecad-letters.png"

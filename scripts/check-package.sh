#!/usr/bin/env bash
# Checks the Debian package that scripts/package.sh made:
#  - lintian: no error and no warning (what is intended is overridden in packaging/lintian-overrides);
#  - desktop-file-validate on the menu entry, appstreamcli validate --no-net on the metainfo,
#    the file types compiled by update-mime-database and named by the menu entry;
#  - the package unpacked into a throw-away root (dpkg -x): both programs answer --version, and
#    mervalon-convert converts the example there with a fresh home, so that the per-user
#    installation is made from the unpacked /usr/share/mervalon (found beside the program, as
#    an installed program finds it), and the drawing is checked with ezdxf; then the desktop
#    program (offscreen) loads a configuration given on its command line.
#   bash scripts/check-package.sh [PACKAGE.deb]     (default: build/package/mervalon_*.deb)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

fail() {
    echo "check-package: $*" >&2
    exit 1
}
need() { # program package
    command -v "$1" > /dev/null || fail "$1 is missing: install the Debian package $2 (scripts/install-deps.sh does)"
}
need lintian lintian
need desktop-file-validate desktop-file-utils
need appstreamcli appstream
need update-mime-database shared-mime-info
need dpkg-deb dpkg
need /usr/bin/python3 python3

if [ $# -gt 0 ]; then
    deb=$1
else
    shopt -s nullglob
    debs=("$root"/build/package/mervalon_*.deb)
    shopt -u nullglob
    [ ${#debs[@]} -eq 1 ] || fail "expected one package in build/package, found ${#debs[@]}: run scripts/package.sh"
    deb=${debs[0]}
fi
[ -f "$deb" ] || fail "no package \"$deb\""
echo "check-package: $deb"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== lintian"
# Information tags are shown too; they do not fail the check.
status=0
lintian --fail-on error,warning --display-info "$deb" > "$work/lintian" 2>&1 || status=$?
grep -v "^running with root privileges" "$work/lintian" || true
[ "$status" -eq 0 ] || fail "lintian reports errors or warnings (above)"

echo "== unpacked into a throw-away root"
dpkg-deb -x "$deb" "$work/root"
prefix="$work/root/usr"
for file in bin/mervalon bin/mervalon-convert share/applications/io.github.halvent.Mervalon.desktop \
    share/metainfo/io.github.halvent.Mervalon.metainfo.xml share/mime/packages/mervalon.xml \
    share/man/man1/mervalon.1.gz share/man/man1/mervalon-convert.1.gz \
    share/bash-completion/completions/mervalon-convert share/icons/hicolor/scalable/apps/mervalon.svg \
    share/icons/hicolor/48x48/apps/mervalon.png share/mervalon/dxf.dat share/mervalon/help/index.html; do
    [ -f "$prefix/$file" ] || fail "the package lacks /usr/$file"
done

echo "== desktop-file-validate, appstreamcli validate"
desktop-file-validate "$prefix/share/applications/io.github.halvent.Mervalon.desktop" || fail "the menu entry is not valid"
appstreamcli validate --no-net --strict "$prefix/share/metainfo/io.github.halvent.Mervalon.metainfo.xml" ||
    fail "the AppStream metainfo is not valid"

echo "== file types"
# Compiled beside Debian's own types, as the system's trigger does; each type the menu entry
# opens must exist, and .rp4 / .rpf must be recognised by their suffix.
mkdir -p "$work/mime/packages"
cp /usr/share/mime/packages/freedesktop.org.xml "$prefix/share/mime/packages/mervalon.xml" "$work/mime/packages/"
XDG_DATA_DIRS="$work:/usr/share" update-mime-database "$work/mime" || fail "update-mime-database refuses the file types"
grep -qx "50:application/x-mervalon-configuration:\*.rp4" "$work/mime/globs2" || fail ".rp4 is not recognised"
grep -qx "50:application/x-mervalon-format:\*.rpf" "$work/mime/globs2" || fail ".rpf is not recognised"
types=$(sed -n 's/^MimeType=//p' "$prefix/share/applications/io.github.halvent.Mervalon.desktop")
[ -n "$types" ] || fail "the menu entry opens no file type"
IFS=';' read -r -a opened <<< "$types"
for type in "${opened[@]}"; do
    [ -f "$work/mime/${type}.xml" ] || fail "the menu entry opens $type, which no type file defines"
done
bash -n "$prefix/share/bash-completion/completions/mervalon-convert" || fail "the completion is not valid bash"

echo "== the programs from the unpacked root"
home="$work/home"
mkdir -p "$home" "$work/runtime"
chmod 700 "$work/runtime"
run() {
    env -u MERVALON_DATA_DIR HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
        XDG_RUNTIME_DIR="$work/runtime" LC_ALL=C "$@"
}
version=$(run "$prefix/bin/mervalon-convert" --version)
[ "$version" = "mervalon-convert (Mervalon) 4.0" ] || fail "mervalon-convert --version says \"$version\""
# The desktop program answers --version without a display.
version=$(run env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/mervalon" --version)
[ "$version" = "mervalon 4.0" ] || fail "mervalon --version says \"$version\""

# A mark in the unpacked data shows that the installation is made from there, not from the
# build tree the programs were built in.
mark="<!-- unpacked from $(basename "$deb") -->"
echo "$mark" >> "$prefix/share/mervalon/help/index.html"
cp "$root/examples/road-and-building-survey.txt" "$work/"
run "$prefix/bin/mervalon-convert" --dest "$work/out" "$work/road-and-building-survey.txt" 2> "$work/stderr" ||
    { cat "$work/stderr" >&2; fail "mervalon-convert failed on the example"; }
cat "$work/stderr"
install="$home/.local/share/Halvent/Mervalon40"
grep -q "^mervalon-convert: 1 file converted, 0 files with errors, 0 error lines, 0 warning lines; report: $install/mervalon40.log\$" \
    "$work/stderr" || fail "unexpected summary of the conversion"
tail -n 1 "$install/help/index.html" | grep -qxF "$mark" ||
    fail "the per-user installation was not made from the unpacked /usr/share/mervalon"
cmp -s "$install/dxf.dat" "$prefix/share/mervalon/dxf.dat" || fail "the installed DXF prologue differs from the shipped one"
drawing="$work/out/road-and-building-survey.dxf"
[ -f "$drawing" ] || fail "no drawing was made"
# The drawing holds the installed prologue line for line; only the values the program fills in
# (the extents and the active view) differ, and those are numbers, and the extents variables are
# added to the header when the prologue lacks them.
/usr/bin/python3 - "$prefix/share/mervalon/dxf.dat" "$drawing" <<'PYTHON' || fail "the drawing does not start with the prologue"
import sys
prologue = open(sys.argv[1], "rb").read().split(b"\n")
drawing = open(sys.argv[2], "rb").read().split(b"\n")
for name in (b"$EXTMIN", b"$EXTMAX"):
    if name + b"\r" not in prologue and name + b"\r" in drawing:
        at = drawing.index(name + b"\r") - 1  # its "  9" line
        del drawing[at:at + 8]  # 9, the name, and three coordinates with their codes
def number(line):
    try:
        float(line.strip())
        return True
    except ValueError:
        return False
differing = [i for i, line in enumerate(prologue[:-1]) if i >= len(drawing) or
             (drawing[i] != line and not (number(drawing[i]) and number(line)))]
if differing or len(drawing) < len(prologue):
    print("first differing line:", differing[:1], file=sys.stderr)
    sys.exit(1)
PYTHON
/usr/bin/python3 "$root/tests/tools/check_dxf.py" "$drawing" || fail "the drawing does not pass the DXF check"
# The desktop program, as a file manager starts it on a configuration: it loads the file, which
# it records as the configuration in use.
cp "$install/!Default.rp4" "$work/site.rp4"
run env QT_QPA_PLATFORM=offscreen "$prefix/bin/mervalon" "$work/site.rp4" > "$work/desktop.log" 2>&1 &
desktop=$!
for _ in $(seq 1 150); do
    [ "$(cat "$install/mervalon40.ini")" = "site.rp4" ] && break
    sleep 0.1
done
kill "$desktop" 2> /dev/null || true
wait "$desktop" 2> /dev/null || true
[ "$(cat "$install/mervalon40.ini")" = "site.rp4" ] ||
    { cat "$work/desktop.log" >&2; fail "\"mervalon site.rp4\" did not load the configuration"; }
echo "check-package: the package is fine"

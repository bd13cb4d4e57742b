#!/usr/bin/python3
"""Checks the shipped DXF prologue: usage: prologue_test.py DXF_DAT CHECK_DXF

The prologue must end with the opening of the LAYER table up to its " 70" line, define the
line type and text styles that the entities name, and use no handle of 009A or above. A
drawing assembled from it the way the writer does (layer table, a point with its five texts,
a 3D polyline, the closing lines) must then pass check_dxf.py.
"""

import os
import subprocess
import sys
import tempfile


def fail(message):
    print(f"prologue_test: {message}")
    sys.exit(1)


def pairs(lines):
    return [(lines[i], lines[i + 1]) for i in range(0, len(lines) - 1, 2)]


def check_prologue(data):
    if not data.endswith(b"  0\r\nTABLE\r\n  2\r\nLAYER\r\n 70\r\n"):
        fail("the prologue does not end with the opening of the LAYER table up to ' 70' and its CR LF")
    lines = data.split(b"\r\n")[:-1]
    if any(b"\n" in line or b"\r" in line for line in lines):
        fail("the prologue has a line that does not end with CR LF")
    tags = pairs(lines[:-1])  # the last line waits for the layer count
    names = {}
    section = table = None
    for index, (code, value) in enumerate(tags):
        following = tags[index + 1][1] if index + 1 < len(tags) else b""
        if code == b"  0" and value == b"SECTION":
            section = following
        elif code == b"  0" and value == b"TABLE":
            table = following
        elif code == b"  2" and section == b"TABLES" and tags[index - 1][1] not in (b"TABLE", b"SECTION"):
            names.setdefault(table, set()).add(value)
        # $HANDSEED is a group 5 of the header too, but it names no object.
        elif code == b"  5" and section == b"TABLES" and int(value, 16) >= 0x9A:
            fail(f"the prologue uses handle {value.decode()}, which entities need")
    header = {}
    for index, (code, value) in enumerate(tags):
        if code == b"  9" and index + 1 < len(tags):
            header[value] = tags[index + 1][1]
    # Readers that take the header's extents as the drawing's bounds (LibreOffice Draw) squeeze
    # a drawing with the "not computed" values into one spot. The writer adds the true ones at
    # the end of the header (and would replace any the prologue held); the shipped prologue
    # cannot know them, so it gives none.
    for variable in (b"$EXTMIN", b"$EXTMAX"):
        if variable in header:
            fail(f"the prologue sets {variable.decode()}, which it cannot know")
    # Points must show as a visible mark, not a one-pixel dot, where a reader honours these.
    if int(header.get(b"$PDMODE", b"0")) in (0, 1):
        fail("$PDMODE draws points as a dot or not at all")
    if float(header.get(b"$PDSIZE", b"0")) <= 0:
        fail("$PDSIZE gives the point mark no size of its own")
    if b"CONTINUOUS" not in names.get(b"LTYPE", set()):
        fail("the line type CONTINUOUS is not defined")
    for style in (b"NUMBERS", b"COORDINATES", b"ELEVATION", b"DESCRIPTION"):
        if style not in names.get(b"STYLE", set()):
            fail(f"the text style {style.decode()} is not defined")


def drawing_tail():
    lines = ["2"]
    for layer, colour in (("POINTS", "7"), ("POINTS", "3")):
        lines += ["  0", "LAYER", "  2", layer, " 70", "  0", " 62", colour, "  6", "CONTINUOUS"]
    lines += ["  0", "ENDTAB", "  0", "ENDSEC", "  0", "SECTION", "  2", "ENTITIES"]
    lines += ["  0", "POINT", "  5", "009A", "  8", "POINTS", " 10", "1000.000", " 20", "2000.000", " 30", "15.25"]
    texts = (("NUMBERS", "1", " 2.00000000000000E+0003"), ("COORDINATES", "1000.00", " 1.99940000000000E+0003"),
             ("COORDINATES", "2000.00", " 1.99880000000000E+0003"), ("ELEVATION", "15.25", " 1.99820000000000E+0003"),
             ("DESCRIPTION", "FENCE", " 1.99760000000000E+0003"))
    handle = 0x9B
    for style, content, y in texts:
        lines += ["  0", "TEXT", "  5", f"{handle:04X}", "  8", "POINTS", " 10", "1001.50000000000000", " 20", y,
                  " 30", "15.25", " 40", "0.5", "  1", content, "  7", style]
        handle += 1
    lines += ["  0", "POLYLINE", "  5", f"{handle:04X}", "  8", "POINTS", " 66", "1", " 10", "0.0", " 20", "0.0",
              " 30", "0.0", " 70", "8"]
    handle += 1
    for x, y in (("1000.000", "2000.000"), ("1010.500", "2000.000"), ("1010.500", "2010.250")):
        lines += ["  0", "VERTEX", "  5", f"{handle:04X}", "  8", "POINTS", " 10", x, " 20", y, " 30", "0.0", " 70",
                  "32"]
        handle += 1
    lines += ["  0", "SEQEND", "  5", f"{handle:04X}", "  8", "POINTS", "  0", "ENDSEC", "  0", "EOF"]
    return ("\r\n".join(lines) + "\r\n").encode("ascii")


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    with open(sys.argv[1], "rb") as stream:
        prologue = stream.read()
    check_prologue(prologue)
    with tempfile.TemporaryDirectory() as folder:
        drawing = os.path.join(folder, "prologue.dxf")
        with open(drawing, "wb") as stream:
            stream.write(prologue + drawing_tail())
        result = subprocess.run([sys.executable, sys.argv[2], drawing, "--points", "1", "--texts", "5",
                                 "--polylines", "1", "--vertices", "3"])
    return result.returncode


if __name__ == "__main__":
    sys.exit(main())

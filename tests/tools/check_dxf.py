#!/usr/bin/python3
"""Checks a drawing written by Mervalon.

usage: check_dxf.py FILE [--points N] [--texts N] [--polylines N] [--vertices N]

Loads FILE with ezdxf and runs its audit; checks the line layout of the file (CR LF after
every line, group codes right-aligned in three characters, the closing EOF) and that entity
handles are unique and at least 009A; compares the entity counts that are given.
Prints one summary line. Exit status: 0 when every check passes, 1 when one fails,
2 when the file cannot be read at all or the arguments are wrong.
Run it with Debian's /usr/bin/python3, which has python3-ezdxf.
"""

import argparse
import sys
from collections import Counter

FIRST_ENTITY_HANDLE = 0x9A


def layout_problems(path):
    """Problems with the raw text: line ends, group-code alignment, handles, EOF."""
    problems = []
    handles = set()
    in_entities = False
    previous_value = None
    with open(path, "rb") as stream:
        data = stream.read()
    if not data.endswith(b"\r\n"):
        problems.append("the last line does not end with CR LF")
    lines = data.split(b"\r\n")
    if lines and lines[-1] == b"":
        lines.pop()
    for number, line in enumerate(lines, start=1):
        if b"\n" in line or b"\r" in line:
            problems.append(f"line {number} holds a lone CR or LF")
            break
    if len(lines) % 2:
        problems.append("the file has an odd number of lines")
    for index in range(0, len(lines) - 1, 2):
        code, value = lines[index], lines[index + 1]
        number = index + 1
        if len(code) != 3 or not code.strip().isdigit() or code != code.strip().rjust(3):
            problems.append(f"line {number}: group code {code!r} is not right-aligned in three characters")
            break
        group = int(code)
        if group == 2 and previous_value == b"SECTION":
            in_entities = value == b"ENTITIES"
        if group == 5 and in_entities:
            try:
                handle = int(value, 16)
            except ValueError:
                problems.append(f"line {number + 1}: handle {value!r} is not hexadecimal")
                break
            if value != value.upper() or len(value) < 4:
                problems.append(f"line {number + 1}: handle {value!r} is not upper-case with four digits at least")
            if handle < FIRST_ENTITY_HANDLE:
                problems.append(f"line {number + 1}: handle {value.decode()} is below 009A")
            if handle in handles:
                problems.append(f"line {number + 1}: handle {value.decode()} is used twice")
            handles.add(handle)
        if group == 0:
            previous_value = value
        if len(problems) > 10:
            break
    if len(lines) < 2 or lines[-2:] != [b"  0", b"EOF"]:
        problems.append("the file does not end with the lines '  0' and 'EOF'")
    return problems


def main():
    parser = argparse.ArgumentParser(description="Checks a drawing written by Mervalon.")
    parser.add_argument("file")
    for kind in ("points", "texts", "polylines", "vertices"):
        parser.add_argument(f"--{kind}", type=int, metavar="N", help=f"expected number of {kind}")
    args = parser.parse_args()

    try:
        import ezdxf
    except ImportError:
        print("check_dxf: ezdxf is missing; run with /usr/bin/python3 (package python3-ezdxf)", file=sys.stderr)
        return 2
    try:
        problems = layout_problems(args.file)
        doc = ezdxf.readfile(args.file)
    except (OSError, ezdxf.DXFError) as error:
        print(f"check_dxf: {args.file}: cannot be read: {error}", file=sys.stderr)
        return 2

    auditor = doc.audit()
    problems += [f"audit error: {entry.message}" for entry in auditor.errors]
    problems += [f"audit fix: {entry.message}" for entry in auditor.fixes]

    modelspace = doc.modelspace()
    kinds = Counter(entity.dxftype() for entity in modelspace)
    found = {
        "points": kinds["POINT"],
        "texts": kinds["TEXT"],
        "polylines": kinds["POLYLINE"],
        "vertices": sum(len(polyline.vertices) for polyline in modelspace.query("POLYLINE")),
    }
    for kind, count in found.items():
        expected = getattr(args, kind)
        if expected is not None and expected != count:
            problems.append(f"{count} {kind}, expected {expected}")

    summary = (f"{args.file}: {doc.dxfversion}, {found['points']} points, {found['texts']} texts, "
               f"{found['polylines']} polylines, {found['vertices']} vertices, {len(doc.layers)} layers")
    if problems:
        print(f"check_dxf: FAILED {summary}")
        for problem in problems:
            print(f"  {problem}")
        return 1
    print(f"check_dxf: ok {summary}, audit clean")
    return 0


if __name__ == "__main__":
    sys.exit(main())

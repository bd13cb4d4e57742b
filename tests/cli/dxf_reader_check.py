"""Converts point files with the built mervalon-convert and opens every drawing with a real DXF
reader (ezdxf): the reader's audit must find no error and the entity counts must match.

Run with Debian's /usr/bin/python3 (python3-ezdxf). Exit status 0 when every check passes."""

import argparse
import os
import shutil
import subprocess
import sys

import ezdxf

# Every kind of entity, polylines started, continued, ended, restarted mid-way and closed by the
# last line, a point outside any polyline, negative coordinates.
EVERY_ENTITY_POINTS = """\
1,100.0,200.0,10.0,START,1
2,110.0,200.0,11.0,A,2
3,110.0,210.0,12.0,B,2
4,100.0,210.0,13.0,END,3
5,-50.5,-60.25,-1.5,LONE,9
6,0,0,0,P,1
7,5,5,5,Q,1
8,10,0,5.125,R,2
"""
EVERY_ENTITY_COUNTS = {"points": 8, "texts": 40, "polylines": 3, "vertices": 8}
SITE_SURVEY_COUNTS = {"points": 24, "texts": 72, "polylines": 3, "vertices": 17}


def every_kind_configuration(flat):
    dimension = "1" if flat else "0"
    lines = []
    for kind, layer, color in (("point", "PTS", 7), ("number", "NUM", 3), ("x", "XC", 4), ("y", "YC", 5),
                               ("elevation", "ELE", 2), ("description", "DES", 6), ("polyline", "PL", 1)):
        lines += [f"{kind}Create = 1", f"{kind}2D = {dimension}", f"{kind}Layer = {layer}", f"{kind}Color = {color}"]
        if kind not in ("point", "polyline"):
            lines.append(f"{kind}Height = 0.5")
        if kind in ("x", "y", "elevation"):
            lines.append(f"{kind}Decimals = 3")
    lines += ["formatName = !default", "slot1 = 0", "slot2 = 1", "slot3 = 2", "slot4 = 3", "slot5 = 4",
              "distance = 0.5"]
    return "\n".join(lines) + "\n"


def check_drawing(path, expected, flat, require_no_fixes):
    problems = []
    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    for error in auditor.errors:
        problems.append(f"audit error: {error.message}")
    if require_no_fixes:
        for fix in auditor.fixes:
            problems.append(f"audit fix: {fix.message}")
    msp = doc.modelspace()
    polylines = list(msp.query("POLYLINE"))
    found = {
        "points": len(msp.query("POINT")),
        "texts": len(msp.query("TEXT")),
        "polylines": len(polylines),
        "vertices": sum(len(p.vertices) for p in polylines),
    }
    if found != expected:
        problems.append(f"counts {found}, expected {expected}")
    if flat is not None:
        elevations = [p.dxf.location.z for p in msp.query("POINT")]
        elevations += [v.dxf.location.z for p in polylines for v in p.vertices]
        elevations += [t.dxf.insert.z for t in msp.query("TEXT")]
        if flat and any(z != 0 for z in elevations):
            problems.append("a 2D drawing has an entity off elevation 0")
        if not flat and not any(z != 0 for z in elevations):
            problems.append("a 3D drawing has every entity at elevation 0")
    return [f"{path}: {p}" for p in problems]


UTF8_POINTS = "1,100.0,200.0,10.0,Böschung,1\r\n2,110.0,200.0,11.0,Straße € 3°,3\r\n"


def check_utf8_labels(path):
    """A UTF-8 point file's labels read right: the drawing is Windows-1252 as it declares."""
    doc = ezdxf.readfile(path)
    texts = {t.dxf.text for t in doc.modelspace().query("TEXT")}
    missing = {"Böschung", "Straße € 3°"} - texts
    return [f"{path}: labels {sorted(missing)} not read right; found {sorted(texts)}"] if missing else []


def convert(args, work, name, point_file, extra):
    out = os.path.join(work, name)
    os.makedirs(out, exist_ok=True)
    command = [args.convert, "--install-dir", os.path.join(work, "install"), "--dest", out,
               "--report", os.path.join(out, "report.log")] + extra + [point_file]
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        raise SystemExit(f"{' '.join(command)} exited {result.returncode}: {result.stderr}")
    return os.path.join(out, os.path.basename(point_file).split(".")[0] + ".dxf")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--convert", required=True)
    parser.add_argument("--mkrecords", required=True)
    parser.add_argument("--data", required=True, help="the shipped installation data")
    parser.add_argument("--example", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--require-no-fixes", action="store_true",
                        help="also fail when the reader's audit had to repair anything")
    args = parser.parse_args()

    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    shutil.copytree(args.data, os.path.join(args.work, "install"))

    problems = []
    site = convert(args, args.work, "site", args.example, [])
    problems += check_drawing(site, SITE_SURVEY_COUNTS, False, args.require_no_fixes)

    points = os.path.join(args.work, "every-entity.txt")
    with open(points, "w", newline="\r\n") as f:
        f.write(EVERY_ENTITY_POINTS)
    for flat in (False, True):
        name = "flat" if flat else "raised"
        source = os.path.join(args.work, f"{name}.txt")
        record = os.path.join(args.work, f"{name}.rp4")
        with open(source, "w") as f:
            f.write(every_kind_configuration(flat))
        subprocess.run([args.mkrecords, "configuration", source, record], check=True)
        drawing = convert(args, args.work, name, points, ["--config", record, "--format", "!default"])
        problems += check_drawing(drawing, EVERY_ENTITY_COUNTS, flat, args.require_no_fixes)

    for name, mark in (("utf8", b""), ("utf8-marked", b"\xef\xbb\xbf")):
        source = os.path.join(args.work, f"{name}.txt")
        with open(source, "wb") as f:
            f.write(mark + UTF8_POINTS.encode("utf-8"))
        problems += check_utf8_labels(convert(args, args.work, name, source, ["--format", "!default"]))

    for problem in problems:
        print(problem, file=sys.stderr)
    print("checked", "with" if args.require_no_fixes else "without", "the no-fixes requirement:",
          "FAILED" if problems else "ok")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

"""Converts the coded examples with the shipped code library and opens the drawings with a real
DXF reader (ezdxf): the audit must find nothing to fix, and the layers, colours, symbols with
their attributes, closed flags, vertex order of interleaved lines and the arc's chords must be
what the library and the codes ask for. GDAL's DXF driver, a second reader, must read the same
layers, the same number of features on each, the closed outline and the symbols' INSERTs as
points of their blocks. A faulty library must stop the run before anything is written.

Run with Debian's /usr/bin/python3 (python3-ezdxf, python3-gdal). Exit status 0 when every check
passes."""

import argparse
import math
import os
import shutil
import subprocess
import sys

try:
    import ezdxf
except ImportError:
    sys.exit("ezdxf is missing: install the Debian package python3-ezdxf")
try:
    from osgeo import gdal, ogr
except ImportError:
    sys.exit("GDAL's Python module is missing: install the Debian package python3-gdal")

# The layers of the library the coded survey uses, with their colours; CONTROL and UNCODED it does not use.
USED_LAYERS = {"ROAD-EDGE": 5, "KERB": 4, "BUILDING": 2, "FENCE": 30, "VEGETATION": 3, "DRAINAGE": 140,
               "UTILITIES": 6, "SPOT-HEIGHTS": 7}


def run(args, extra, point_files, work):
    command = [args.convert, "--install-dir", os.path.join(args.work, "install"), "--dest", work,
               "--report", os.path.join(work, "report.log")] + extra + point_files
    return subprocess.run(command, capture_output=True, text=True)


def audited(path, problems):
    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    problems += [f"{path}: audit error: {e.message}" for e in auditor.errors]
    problems += [f"{path}: audit fix: {f.message}" for f in auditor.fixes]
    # Every place drawn, coded or not, lies within the extents the header gives.
    low, high = doc.header["$EXTMIN"], doc.header["$EXTMAX"]
    for entity in doc.modelspace():
        places = []
        if entity.dxftype() == "POINT":
            places = [entity.dxf.location]
        elif entity.dxftype() == "INSERT":
            places = [entity.dxf.insert]
        elif entity.dxftype() == "POLYLINE":
            places = [vertex.dxf.location for vertex in entity.vertices]
        for place in places:
            if not all(low[i] - 1e-9 <= place[i] <= high[i] + 1e-9 for i in range(3)):
                problems.append(f"{path}: {entity.dxftype()} at {tuple(place)} outside the extents {low} to {high}")
    return doc


def expect(problems, what, found, expected):
    if found != expected:
        problems.append(f"{what}: found {found!r}, expected {expected!r}")


def check_coded_survey(path, problems):
    doc = audited(path, problems)
    layers = {layer.dxf.name: layer.dxf.color for layer in doc.layers}
    for name, colour in USED_LAYERS.items():
        expect(problems, f"colour of layer {name}", layers.get(name), colour)
    for name in ("CONTROL", "UNCODED"):
        if name in layers:
            problems.append(f"layer {name} is in the table but not used")
    msp = doc.modelspace()
    lines = [(p.dxf.layer, p.is_closed, p.is_3d_polyline, [tuple(v.dxf.location) for v in p.vertices])
             for p in msp.query("POLYLINE")]
    by_layer = {}
    for line in lines:
        by_layer.setdefault(line[0], []).append(line)
    # EP2 (points 2, 4, 8) is interleaved with EP1 and keeps its own points in file order.
    edges = by_layer.get("ROAD-EDGE", [])
    expect(problems, "road edges", len(edges), 2)
    ep2 = [e for e in edges if e[3][0][:2] == (2000.0, 3010.0)]
    expect(problems, "EP2's vertices", [v[:2] for v in ep2[0][3]] if ep2 else None,
           [(2000.0, 3010.0), (2010.0, 3010.5), (2020.0, 3011.0)])
    # EP1's arc from point 5 through 6 to 7: chords within 0.005 of the circle through them.
    ep1 = [e for e in edges if e[3][0][:2] == (2000.0, 3000.0)]
    if ep1:
        vertices = [v[:2] for v in ep1[0][3]]
        expect(problems, "EP1 begins with points 1, 3, 5", vertices[:3],
               [(2000.0, 3000.0), (2010.0, 3000.5), (2020.0, 3001.0)])
        expect(problems, "EP1 ends at point 7", vertices[-1], (2040.0, 3007.0))
        (ax, ay), (bx, by), (cx, cy) = (2020.0, 3001.0), (2030.0, 3003.0), (2040.0, 3007.0)
        d = 2 * (ax * (by - cy) + bx * (cy - ay) + cx * (ay - by))
        ux = ((ax * ax + ay * ay) * (by - cy) + (bx * bx + by * by) * (cy - ay) + (cx * cx + cy * cy) * (ay - by)) / d
        uy = ((ax * ax + ay * ay) * (cx - bx) + (bx * bx + by * by) * (ax - cx) + (cx * cx + cy * cy) * (bx - ax)) / d
        r = math.hypot(ax - ux, ay - uy)
        arc = vertices[2:]
        if len(arc) < 10:
            problems.append(f"EP1's arc has only {len(arc)} vertices")
        worst = max(abs(math.hypot((p[0] + q[0]) / 2 - ux, (p[1] + q[1]) / 2 - uy) - r) for p, q in zip(arc, arc[1:]))
        if worst > 0.005:
            problems.append(f"EP1's chords lie up to {worst} from the arc")
    expect(problems, "buildings (closed, 3D)", [(b[1], b[2], len(b[3])) for b in by_layer.get("BUILDING", [])],
           [(True, True, 4)])
    expect(problems, "kerbs", [len(k[3]) for k in by_layer.get("KERB", [])], [3])
    fences = by_layer.get("FENCE", [])
    expect(problems, "fence (2D, the NJ point left out)",
           [(f[2], [v for v in f[3]]) for f in fences],
           [(False, [(2040.0, 3020.0, 0.0), (2042.0, 3030.0, 0.0)])])
    inserts = {i.dxf.name: i for i in msp.query("INSERT")}
    expect(problems, "symbols", sorted(inserts), ["CROSS", "MANHOLE", "POLE", "TREE"])
    tree = inserts.get("TREE")
    if tree is not None:
        expect(problems, "the tree's layer and place", (tree.dxf.layer, tuple(tree.dxf.insert)),
               ("VEGETATION", (2025.0, 3022.0, 101.2)))
        expect(problems, "the tree's attributes", [(a.dxf.tag, a.dxf.text) for a in tree.attribs],
               [("NUMBER", "13"), ("ELEVATION", "101.200"), ("DESCRIPTION", "TREE / oak")])
    expect(problems, "blocks", sorted(b.name for b in doc.blocks if not b.name.startswith("*")),
           ["CROSS", "MANHOLE", "POLE", "TREE"])
    expect(problems, "building corners", sorted(p.dxf.layer for p in msp.query("POINT")), ["BUILDING"] * 4)


def check_with_gdal(path, problems):
    """GDAL reads the coded drawing with its blocks kept (an INSERT is a point naming its block):
    the features per layer are those ezdxf finds, the building's outline is closed, the road
    edges are not, and each symbol is a point of its block on its code's layer."""
    gdal.UseExceptions()
    gdal.SetConfigOption("DXF_INLINE_BLOCKS", "FALSE")
    try:
        source = ogr.Open(path)
    finally:
        gdal.SetConfigOption("DXF_INLINE_BLOCKS", None)
    if source is None:
        problems.append(f"GDAL cannot open {path}")
        return
    entities = source.GetLayerByName("entities")
    features = {}
    lines = {}
    inserts = []
    for feature in entities:
        layer = feature.GetField("Layer")
        features[layer] = features.get(layer, 0) + 1
        geometry = feature.GetGeometryRef()
        kind = geometry.GetGeometryName() if geometry is not None else None
        if kind == "LINESTRING":
            first, last = geometry.GetPoint(0), geometry.GetPoint(geometry.GetPointCount() - 1)
            lines.setdefault(layer, []).append((first == last, geometry.GetPointCount()))
        if feature.GetField("BlockName"):
            inserts.append((layer, kind, feature.GetField("BlockName")))
            if feature.GetField("BlockName") == "TREE":
                expect(problems, "GDAL's attributes of the tree", feature.GetField("BlockAttributes"),
                       ["NUMBER 13", "ELEVATION 101.200", "DESCRIPTION TREE / oak"])
    # ezdxf's count of the same entities: every one of model space, its INSERTs' ATTRIBs inside them.
    expected = {}
    for entity in ezdxf.readfile(path).modelspace():
        expected[entity.dxf.layer] = expected.get(entity.dxf.layer, 0) + 1
    expect(problems, "GDAL's features per layer", features, expected)
    expect(problems, "GDAL's closed building outline (closed, vertices with the first again)",
           lines.get("BUILDING"), [(True, 5)])
    expect(problems, "GDAL's road edges (open)", sorted(closed for closed, _ in lines.get("ROAD-EDGE", [])),
           [False, False])
    expect(problems, "GDAL's INSERTs as points of their blocks", sorted(inserts),
           [("DRAINAGE", "POINT", "MANHOLE"), ("SPOT-HEIGHTS", "POINT", "CROSS"), ("UTILITIES", "POINT", "POLE"),
            ("VEGETATION", "POINT", "TREE")])
    # Each block: its drawing and the three attribute definitions.
    blocks = {}
    for feature in source.GetLayerByName("blocks") or []:
        geometry = feature.GetGeometryRef()
        blocks.setdefault(feature.GetField("Block"), []).append(
            (geometry.GetGeometryName() if geometry is not None else None, feature.GetField("AttributeTag")))
    expected_block = [("MULTILINESTRING", None), ("POINT", "DESCRIPTION"), ("POINT", "ELEVATION"), ("POINT", "NUMBER")]
    expect(problems, "GDAL's blocks", {name: sorted(parts, key=str) for name, parts in blocks.items()},
           {name: expected_block for name in ("CROSS", "MANHOLE", "POLE", "TREE")})


def check_road_survey(path, problems):
    doc = audited(path, problems)
    msp = doc.modelspace()
    lines = sorted((p.dxf.layer, len(p.vertices)) for p in msp.query("POLYLINE"))
    expect(problems, "the example's lines", lines, [("BUILDING", 5), ("ROAD-EDGE", 6), ("ROAD-EDGE", 6)])
    expect(problems, "the benchmark", [(i.dxf.name, i.dxf.layer) for i in msp.query("INSERT") if i.dxf.name != "CROSS"],
           [("TRIANGLE", "CONTROL")])
    expect(problems, "spot heights", len(msp.query('INSERT[name=="CROSS"]')), 6)
    expect(problems, "the example's blocks", sorted(b.name for b in doc.blocks if not b.name.startswith("*")),
           ["CROSS", "TRIANGLE"])


def check_faulty_library(args, problems):
    work = os.path.join(args.work, "faulty")
    os.makedirs(work)
    library = os.path.join(work, "faulty.csv")
    with open(library, "w") as f:
        f.write("code;layer;colour\nTREE;VEG;3\nMH;DRAIN;300\n")
    result = run(args, ["--codes", library], [args.coded], work)
    expect(problems, "exit status of a faulty library", result.returncode, 2)
    expect(problems, "message of a faulty library", result.stderr.splitlines()[:1],
           [f'mervalon-convert: Code library "{library}", line 3: the colour "300" is not a number from 1 to 255'])
    expect(problems, "files written by a run with a faulty library", sorted(os.listdir(work)), ["faulty.csv"])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--convert", required=True)
    parser.add_argument("--data", required=True, help="the shipped installation data")
    parser.add_argument("--coded", required=True, help="examples/coded-survey.txt")
    parser.add_argument("--example", required=True, help="examples/road-and-building-survey.txt")
    parser.add_argument("--work", required=True)
    args = parser.parse_args()

    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    shutil.copytree(args.data, os.path.join(args.work, "install"))
    problems = []
    out = os.path.join(args.work, "out")
    os.makedirs(out)
    result = run(args, ["--codes", "road-and-building"], [args.coded, args.example], out)
    if result.returncode != 0:
        problems.append(f"the coded conversion exited {result.returncode}: {result.stderr}")
    else:
        check_coded_survey(os.path.join(out, "coded-survey.dxf"), problems)
        check_with_gdal(os.path.join(out, "coded-survey.dxf"), problems)
        check_road_survey(os.path.join(out, "road-and-building-survey.dxf"), problems)
    check_faulty_library(args, problems)

    for problem in problems:
        print(problem, file=sys.stderr)
    print("coded drawings:", "FAILED" if problems else "ok")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

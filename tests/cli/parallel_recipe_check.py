#!/usr/bin/python3
"""Runs the manual's GNU parallel recipe (command-line.html, "recipe-parallel-tree") as it is
written, over a folder tree of point files, and checks what it promises: a drawing, a report
and JSON results for every file, in the same folders, gathered into one results file.

Usage: parallel_recipe_check.py --convert PATH --manual command-line.html --work DIR"""

import argparse
import html
import json
import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

GOOD = "1,1000.0,2000.0,15.25,BM1,0\r\n2,1010.5,2000.0,15.40,FENCE,1\r\n3,1010.5,2010.25,15.55,FENCE,3\r\n"
FAULTY = "1,1000.0,2000.0,15.25,BM1,0\r\n2,1O10.5,2000.0,15.40,FENCE,1\r\n"
# Folders of any depth, and names that a shell would take apart.
FILES = {
    "site1.txt": GOOD,
    "north/a.txt": GOOD,
    "north/b faulty.txt": FAULTY,
    "north/deep/it's here.txt": GOOD,
    "south/$HOME; echo x.txt": GOOD,
}


def fail(message):
    print("parallel_recipe_check: " + message, file=sys.stderr)
    sys.exit(1)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--convert", required=True)
    parser.add_argument("--manual", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()

    if shutil.which("parallel") is None:
        fail("GNU parallel is missing: install the Debian package parallel")

    page = Path(args.manual).read_text(encoding="utf-8")
    found = re.search(r'<pre id="recipe-parallel-tree">(.*?)</pre>', page, re.S)
    if not found:
        fail("the manual has no recipe-parallel-tree")
    recipe = html.unescape(found.group(1))

    work = Path(args.work)
    shutil.rmtree(work, ignore_errors=True)
    survey = work / "survey"
    for name, text in FILES.items():
        path = survey / "raw" / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(text.encode())
    home = work / "home"
    env = dict(os.environ, HOME=str(home), XDG_CONFIG_HOME=str(home / "config"), XDG_DATA_HOME=str(home / "data"),
               PATH=str(Path(args.convert).resolve().parent) + os.pathsep + os.environ.get("PATH", ""))
    run = subprocess.run(["bash", "-c", recipe], cwd=survey, env=env, capture_output=True, text=True)
    # The recipe ends by gathering the results; each run's own status is in jobs.tsv.
    if run.returncode != 0:
        fail(f"the recipe exited with {run.returncode}, not 0:\n{run.stdout}\n{run.stderr}")

    results = [json.loads(line) for line in (survey / "results.json").read_text(encoding="utf-8").splitlines()]
    files = {r["file"]: r for r in results if r["type"] == "file"}
    runs = [r for r in results if r["type"] == "run"]
    if len(runs) != len(FILES) or len(files) != len(FILES):
        fail(f"results.json holds {len(files)} file and {len(runs)} run objects, not {len(FILES)} of each")
    for name, text in FILES.items():
        stem = name.rsplit(".", 1)[0]
        source = survey / "raw" / name
        drawing = survey / "cad" / (stem + ".dxf")
        report = survey / "reports" / (stem + ".log")
        result = files.get(str(source))
        if result is None:
            fail(f"no result for {source}")
        if result["drawing"] != str(drawing) or result["status"] != "converted":
            fail(f"{name}: {result}")
        if not drawing.is_file() or not drawing.read_bytes().endswith(b"  0\r\nEOF\r\n"):
            fail(f"{drawing} is missing or incomplete")
        block = report.read_bytes().decode("cp1252")
        if f"Point file : {source}\r\n" not in block or f">> Dxf file created: {drawing}\r\n" not in block:
            fail(f"{report} lacks the file's block:\n{block}")
        faulty = text == FAULTY
        if (result["error_lines"] > 0) != faulty:
            fail(f"{name}: error_lines {result['error_lines']}")
        if faulty and result["errors"] != ["  ! Error in line 2: X coordinate is not a decimal value !"]:
            fail(f"{name}: errors {result['errors']}")
    statuses = sorted(int(line.split("\t")[6]) for line in (survey / "jobs.tsv").read_text().splitlines()[1:])
    if statuses != [0] * (len(FILES) - 1) + [1]:
        fail(f"jobs.tsv has the exit statuses {statuses}")
    print(f"parallel_recipe_check: {len(FILES)} files converted by the manual's recipe")


if __name__ == "__main__":
    main()

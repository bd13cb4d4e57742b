#!/usr/bin/python3
"""Every source file of the program, its tests and its benchmarks is compiled by some target:
a file left out of a source list would otherwise vanish from the build without a word.

Usage: check_sources.py SOURCE_DIR COMPILE_COMMANDS_JSON FOLDER... [--except FOLDER...]
Exit status 1 when a .cpp under one of the folders (those the build was configured to build:
src, tests, bench), and not under a folder after --except (the desktop program's, in a build
without it), is in no compile command."""

import json
import sys
from pathlib import Path


def main():
    root = Path(sys.argv[1]).resolve()
    commands = json.loads(Path(sys.argv[2]).read_text())
    compiled = {Path(entry["file"]).resolve() for entry in commands}
    folders = sys.argv[3:]
    excepted = []
    if "--except" in folders:
        at = folders.index("--except")
        folders, excepted = folders[:at], [(root / folder).resolve() for folder in folders[at + 1:]]
    missing = [path for folder in folders for path in sorted((root / folder).rglob("*.cpp"))
               if path.resolve() not in compiled
               and not any(path.resolve().is_relative_to(skip) for skip in excepted)]
    for path in missing:
        print(f"{path.relative_to(root)} is compiled by no target: list it in its folder's CMakeLists.txt")
    if not missing:
        print(f"check_sources: all {len(compiled)} compiled sources accounted for")
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
"""The layers of the program may only include downwards:

    core (Qt-free; io below the rest; spreadsheet and codes know nothing of the engine)
      <- platform (Qt Core)  <- cli
                             <- app rules (Qt Core)  <- app widgets

Usage: check_layering.py SOURCE_DIR. Prints every include against the direction and exits 1."""

import re
import sys
from pathlib import Path

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
QT_GUI_MODULES = re.compile(r"^Qt(Widgets|Gui|PrintSupport|Test)/")


def rules_sources(root):
    """The files of the app's widget-free layer, as listed in its CMake target."""
    cmake = (root / "src" / "app" / "CMakeLists.txt").read_text()
    listing = re.search(r"add_library\(mervalon_app_rules\s+STATIC(.*?)\)", cmake, re.S)
    return {"src/app/" + name for name in listing.group(1).split()} if listing else set()


def violations(root):
    rules = rules_sources(root)
    for path in sorted((root / "src").rglob("*")):
        if path.suffix not in {".h", ".cpp"}:
            continue
        where = path.relative_to(root).as_posix()
        for kind, header in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
            system = kind == "<"
            if where.startswith("src/core/"):
                if system and (header.startswith("Q") or header.startswith("qt")):
                    yield where, header, "the core is free of Qt"
                if not system and header.split("/")[0] in {"platform", "app", "cli"}:
                    yield where, header, "the core includes nothing above it"
                if where.startswith("src/core/spreadsheet/") and header.startswith("core/engine/"):
                    yield where, header, "the workbook module knows nothing of the engine"
                if where.startswith("src/core/codes/") and header.startswith("core/engine/"):
                    yield where, header, "the code library knows nothing of the engine"
                if where.startswith("src/core/io/") and header.startswith("core/") and not header.startswith("core/io/"):
                    yield where, header, "file input and output is below every other core module"
            elif where.startswith("src/platform/") or where.startswith("src/cli/") or where in rules:
                if system and QT_GUI_MODULES.match(header):
                    yield where, header, "this layer links Qt Core only"
                if not system and header.startswith("cli/") and not where.startswith("src/cli/"):
                    yield where, header, "nothing includes the command-line tool"
                if not system and header.startswith("app/") and where.startswith(("src/platform/", "src/cli/")):
                    yield where, header, "the platform layer and the command-line tool know nothing of the windows"
                if not system and header.startswith("app/") and where in rules and "src/" + header not in rules:
                    yield where, header, "a rule includes only rules (its header is not in mervalon_app_rules)"


def main():
    root = Path(sys.argv[1]).resolve()
    found = list(violations(root))
    for where, header, reason in found:
        print(f"{where}: includes {header}: {reason}")
    if not found:
        print("check_layering: every include goes down the layers")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())

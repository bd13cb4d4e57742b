#!/usr/bin/python3
"""Every Python module the tests, benchmarks and scripts import and every program they start
must come from a package that scripts/install-deps.sh installs; otherwise a fresh machine fails
(or, worse, a check quietly does less) where a developer's machine passes.

Usage: check_test_dependencies.py SOURCE_DIR. Exit status 0 when everything is covered; else
each uncovered module or program is printed with the package that would cover it."""

import re
import sys
from pathlib import Path

# Modules and programs that are not in Python's standard library, with their Debian package.
MODULE_PACKAGES = {
    "ezdxf": "python3-ezdxf",
    "xlrd": "python3-xlrd",
    "xlwt": "python3-xlwt",
    "olefile": "python3-olefile",
    "osgeo": "python3-gdal",
    "openpyxl": "python3-openpyxl",
}
PROGRAM_PACKAGES = {
    "/usr/bin/python3": "python3",
    "ssconvert": "gnumeric",
    "xvfb-run": "xvfb",
    "Xvfb": "xvfb",
    "xauth": "xauth",
    "clang++": "clang",
    "ninja": "ninja-build",
    "cmake": "cmake",
    "ctest": "cmake",
    "cpack": "cmake",
    "dpkg-shlibdeps": "dpkg-dev",
    "help2man": "help2man",
    "rsvg-convert": "librsvg2-bin",
    "lintian": "lintian",
    "desktop-file-validate": "desktop-file-utils",
    "appstreamcli": "appstream",
    "update-mime-database": "shared-mime-info",
    "parallel": "parallel",
    "clang-format": "clang-format",
}
SCANNED = ("tests", "bench", "fuzz", "scripts", "tools", ".ci")
SUFFIXES = {".py", ".cpp", ".h", ".sh", ".txt", ".cmake", ""}


def scanned_files(root):
    for folder in SCANNED:
        base = root / folder
        if not base.exists():
            continue
        for path in base.rglob("*"):
            if path.is_file() and path.suffix in SUFFIXES and "corpus" not in path.parts:
                yield path


def python_chunks(path, text):
    """The Python source in a file: all of it for a script, inline `python3 -c` code elsewhere."""
    if path.suffix == ".py":
        return [text]
    return re.findall(r"python3?\b[^\n]*?-c\s*\\?[\"']([^\n]*)", text)


def imported_modules(chunk):
    found = set()
    for match in re.finditer(r"(?m)(?:^\s*|;\s*|[\"']\s*)(?:import|from)\s+([A-Za-z_][A-Za-z0-9_.]*(?:\s*,\s*[A-Za-z_][A-Za-z0-9_]*)*)", chunk):
        for name in match.group(1).split(","):
            found.add(name.strip().split(".")[0])
    return found


def started_programs(text):
    found = set()
    for program in PROGRAM_PACKAGES:
        if re.search(r"(?<![\w/.-])" + re.escape(program) + r"(?![\w.-])", text):
            found.add(program)
    return found


def installed_packages(root):
    script = (root / "scripts" / "install-deps.sh").read_text()
    listing = re.search(r"packages=\((.*?)\)", script, re.S)
    return set(listing.group(1).split()) if listing else set()


def main():
    root = Path(sys.argv[1]).resolve()
    packages = installed_packages(root)
    standard = set(sys.stdlib_module_names) | {"__future__"}
    local = {path.stem for path in scanned_files(root) if path.suffix == ".py"}
    problems = []
    for path in scanned_files(root):
        text = path.read_text(encoding="utf-8", errors="replace")
        where = path.relative_to(root)
        for chunk in python_chunks(path, text):
            for module in sorted(imported_modules(chunk) - standard - local):
                package = MODULE_PACKAGES.get(module)
                if package is None:
                    problems.append(f"{where}: imports '{module}', which no known Debian package provides "
                                    "(add it to MODULE_PACKAGES and scripts/install-deps.sh)")
                elif package not in packages:
                    problems.append(f"{where}: imports '{module}'; scripts/install-deps.sh must install {package}")
        if path.suffix in {".py", ".cpp", ".h", ".txt", ".cmake"} or path.name == "run":
            for program in sorted(started_programs(text)):
                package = PROGRAM_PACKAGES[program]
                if package not in packages:
                    problems.append(f"{where}: starts '{program}'; scripts/install-deps.sh must install {package}")
    for problem in problems:
        print(problem)
    if not problems:
        print("check_test_dependencies: every module and program the tests use is installed by scripts/install-deps.sh")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

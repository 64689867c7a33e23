#!/usr/bin/env python3
"""Checks that each folder of the code includes only from the folders it may
use, so that the layers stay one-way: no folder includes a folder that
includes it back. Tests, benchmarks and fuzzers may use anything.

  check_layers.py SOURCE_ROOT
"""
import pathlib
import re
import sys

ENGINE = ["extract/source", "extract/dib", "extract/find", "extract/write", "extract/report", "extract/run"]

# Each folder, and the folders whose headers it may include besides its own.
# The engine's stages are listed in the order of an image's road: each may use
# the ones before it.
ALLOWED = {
    "base": [],
    "utf16": [],
    "platform": ["base", "utf16"],
    "gif": ["base"],
    "gif/picture": ["base", "gif"],
    "ui": ["base", "utf16"],
    "browse": ["base", "utf16", "ui"],
    "app": ["base", "utf16", "platform", *ENGINE, "gif", "gif/picture", "ui", "browse"],
    "cli": ["base", "utf16", "platform", *ENGINE],
    "tools": ["base", "gif", "gif/picture"],
}
for i, stage in enumerate(ENGINE):
    ALLOWED[stage] = ["base", "platform"] + ENGINE[:i] + (["gif"] if stage == "extract/find" else [])

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def folder_of(rel):
    """The most specific folder of ALLOWED that holds rel."""
    parts = rel.parts[:-1]
    for n in range(len(parts), 0, -1):
        key = "/".join(parts[:n])
        if key in ALLOWED:
            return key
    return None


def main():
    root = pathlib.Path(sys.argv[1])
    faults = []
    checked = 0
    for source in sorted(root.rglob("*")):
        if source.suffix not in (".h", ".cpp") or not source.is_file():
            continue
        rel = source.relative_to(root)
        if rel.parts[0] in ("tests", "bench", "fuzz", "build") or rel.parts[0].startswith("."):
            continue
        folder = folder_of(rel)
        if folder is None:
            faults.append(f"{rel}: in no known folder")
            continue
        checked += 1
        for included in INCLUDE.findall(source.read_text(encoding="utf-8", errors="replace")):
            if "/" not in included:
                continue  # a system or third-party header found by its own name
            layer = folder_of(pathlib.Path(included))
            if layer == folder or layer in ALLOWED[folder]:
                continue
            faults.append(f"{rel}: {folder}/ may not include {included}")
    for fault in faults:
        print(fault)
    print(f"{checked} files checked, {len(faults)} includes out of their layer")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())

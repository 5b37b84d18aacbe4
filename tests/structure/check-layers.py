#!/usr/bin/env python3
"""Checks that every #include of the product runs down the layers, never up
and never sideways into another folder of the same layer.

    check-layers.py SOURCE_ROOT

Prints each include that breaks the rule and exits 1; prints the layers and
exits 0 when there is none. The layers, lowest first, are the table below:
a folder may include its own headers and those of any lower layer. A folder
missing from the table is an error, so a new folder has to take its place.
"""
import pathlib
import re
import sys

# (layer, folders). Subfolders of a folder listed here belong to it, unless
# they are listed themselves.
LAYERS = [
    (0, ["platform"]),
    (1, ["include"]),
    (2, ["support"]),
    (3, ["inventory"]),
    (4, ["uninstall"]),
    (5, ["widgetlib", "app/host"]),
    (6, ["app"]),
    (7, ["uninstall/dialogs", "update", "cli"]),
    (8, ["pages"]),
    (9, ["shell"]),
]
# Not part of the product: tests, benchmarks, build trees.
SKIPPED = {"tests", "bench", "build", "cmake", "scripts", "art", "packaging", "QSS", "Resources", ".git", ".ci"}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def folder_of(relative, folders):
    """The longest listed folder that holds `relative`, or None."""
    best = None
    for folder in folders:
        if relative == folder or relative.startswith(folder + "/"):
            if best is None or len(folder) > len(best):
                best = folder
    return best


def main():
    root = pathlib.Path(sys.argv[1]).resolve()
    rank = {folder: layer for layer, folders in LAYERS for folder in folders}
    problems = []
    for path in sorted(root.rglob("*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        relative = path.relative_to(root).as_posix()
        top = relative.split("/", 1)[0]
        if top in SKIPPED or top.startswith("build"):
            continue
        own = folder_of(relative, rank)
        if own is None:
            problems.append(f"{relative}: its folder has no layer in tests/structure/check-layers.py")
            continue
        for included in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
            if "/" not in included:
                continue  # a header beside the file, or a generated one (moc, ui)
            target = folder_of(included, rank)
            if target is None:
                problems.append(f"{relative}: includes {included}, which is in no layer")
            elif target != own and rank[target] >= rank[own]:
                how = "up" if rank[target] > rank[own] else "sideways"
                problems.append(
                    f"{relative} ({own}, layer {rank[own]}) includes {included} ({target}, layer {rank[target]}): {how}")
    if problems:
        print("\n".join(problems))
        return 1
    for layer, folders in LAYERS:
        print(f"layer {layer}: {', '.join(folders)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())

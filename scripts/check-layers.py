#!/usr/bin/env python3
"""Holds the project's own includes to its layers.

Includes point one way only. In the installer: app -> ui -> engine -> common
(and app -> engine); in the uninstaller: its window and /S front end ->
removal engine -> common. common includes only common. common/win, the
Windows layer, may be included by any Windows file (*_win.cpp, *_win.h) of
any layer, and by no portable file. A file may always include its own folder.

  scripts/check-layers.py [ROOT]            check; exit 1 naming each file and include
  scripts/check-layers.py --circles [ROOT]  also list the files that include each other in a
                                            circle (a header and its source count as one)

ROOT is the source tree (default: the one this script is in). Only the
folders named in LAYERS are looked at, so a tree without some of them (a
test's fixture) is checked as far as it goes.
"""

import os
import re
import sys

# Folder -> the folders its files may include besides their own. The longest
# folder that holds a file names its layer.
LAYERS = {
    "common": [],
    "common/win": ["common"],
    "installer/engine": ["common"],
    # jpeg/jpgi.h is the interface of the picture decoder the windows draw with.
    "installer/ui": ["installer/engine", "common", "jpeg"],
    "installer/app": ["installer/ui", "installer/engine", "common"],
    "uninstaller/engine": ["common"],
    "uninstaller": ["uninstaller/engine", "common"],
    "jpeg": [],
    "tools/medium": ["installer/engine", "common"],
}
WINDOWS_LAYER = "common/win"
SOURCE_SUFFIXES = (".h", ".cpp")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def layer_of(path):
    """The layer of a root-relative path, or None outside every layer."""
    folder = os.path.dirname(path)
    while folder:
        if folder in LAYERS:
            return folder
        folder = os.path.dirname(folder)
    return None


def is_windows_file(path):
    return path.endswith("_win.cpp") or path.endswith("_win.h")


def source_files(root):
    for top in sorted({layer.split("/")[0] for layer in LAYERS}):
        for folder, subfolders, names in os.walk(os.path.join(root, top)):
            subfolders.sort()
            for name in sorted(names):
                if name.endswith(SOURCE_SUFFIXES):
                    yield os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/")


def includes_of_lines(path, lines, root):
    """(line number, include as written, root-relative path it names)."""
    for number, line in enumerate(lines, 1):
        match = INCLUDE.match(line)
        if not match:
            continue
        written = match.group(1)
        # Beside the file first, as the compiler looks, then from the root.
        beside = os.path.normpath(os.path.join(os.path.dirname(path), written))
        if os.path.isfile(os.path.join(root, beside)):
            yield number, written, beside.replace(os.sep, "/")
        else:
            yield number, written, os.path.normpath(written).replace(os.sep, "/")


def includes_of(root, path):
    with open(os.path.join(root, path), encoding="utf-8", errors="replace") as source:
        yield from includes_of_lines(path, source.readlines(), root)


def violation(path, target):
    """Why `path` may not include `target`, or None when it may."""
    own = layer_of(path)
    other = layer_of(target)
    if own is None or other is None or other == own:
        return None
    if other == WINDOWS_LAYER:
        if is_windows_file(path):
            return None
        return "a portable file includes the Windows layer"
    if other in LAYERS[own]:
        if is_windows_file(target) and not is_windows_file(path):
            return "a portable file includes a Windows header"
        return None
    allowed = ", ".join(LAYERS[own] + ([WINDOWS_LAYER] if own != WINDOWS_LAYER else []))
    return "%s may include only %s" % (own, allowed or "itself")


def circles(graph):
    """The strongly connected parts of more than one unit (Tarjan, iterative)."""
    index = {}
    low = {}
    stack = []
    on_stack = set()
    parts = []
    counter = 0
    for start in sorted(graph):
        if start in index:
            continue
        work = [(start, iter(sorted(graph[start])))]
        index[start] = low[start] = counter
        counter += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, edges = work[-1]
            advanced = False
            for target in edges:
                if target not in graph:
                    continue
                if target not in index:
                    index[target] = low[target] = counter
                    counter += 1
                    stack.append(target)
                    on_stack.add(target)
                    work.append((target, iter(sorted(graph[target]))))
                    advanced = True
                    break
                if target in on_stack:
                    low[node] = min(low[node], index[target])
            if advanced:
                continue
            work.pop()
            if work:
                parent = work[-1][0]
                low[parent] = min(low[parent], low[node])
            if low[node] == index[node]:
                part = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    part.append(member)
                    if member == node:
                        break
                if len(part) > 1:
                    parts.append(sorted(part))
    return parts


def units_of(root, files):
    """File -> its unit. A source and the header it implements are one unit:
    what the header declares, the source defines, so a user of the header
    depends on the source's includes too. By our convention that header is
    the source's first include (wizard_pages_win.cpp implements
    wizard_page_win.h); a source whose first include is not ours stands
    alone."""
    units = {}
    for path in files:
        units[path] = os.path.splitext(path)[0]
        if not path.endswith(".cpp"):
            continue
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as source:
            first = next((line for line in source if re.match(r"^\s*#\s*include", line)), "")
        if INCLUDE.match(first):
            _, _, header = next(includes_of_lines(path, [first], root))
            if header.endswith(".h") and header in files:
                units[path] = os.path.splitext(header)[0]
    return units


def include_graph(root, files, units):
    """Unit -> the units its files include."""
    graph = {unit: set() for unit in units.values()}
    for path in files:
        for _, _, target in includes_of(root, path):
            if target in units and units[target] != units[path]:
                graph[units[path]].add(units[target])
    return graph


def main(arguments):
    report_circles = "--circles" in arguments
    rest = [argument for argument in arguments if argument != "--circles"]
    if len(rest) > 1 or any(argument.startswith("-") for argument in rest):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    root = rest[0] if rest else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    files = list(source_files(root))
    broken = 0
    for path in files:
        for number, written, target in includes_of(root, path):
            reason = violation(path, target)
            if reason:
                print('%s:%d: includes "%s": %s' % (path, number, written, reason))
                broken += 1
    if report_circles:
        units = units_of(root, files)
        parts = circles(include_graph(root, files, units))
        for part in parts:
            print("Circle: " + " ".join(part))
        in_circle = {unit for part in parts for unit in part}
        for program in ("installer", "uninstaller"):
            count = sum(1 for path in files
                        if path.startswith(program + "/") and units[path] in in_circle)
            print("Files in a circle in %s/: %d" % (program, count))
    if broken:
        print("%d include(s) against the layers; see docs/ARCHITECTURE.md, Layers" % broken)
        return 1
    print("Includes follow the layers: %d files checked" % len(files))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

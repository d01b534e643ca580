#!/usr/bin/env python3
"""Checks the floors of the source tree: which folder may include which.

The program (app, capture, settings, album, playback) stands on the toolkit (ui, resources),
and everything stands on the platform. No floor includes a floor above it, and nothing of the
program or the toolkit sees a GStreamer or V4L2 header, neither directly nor through a header
of the project it includes: those belong to the platform's backends.

Usage: check-floors.py SRC_DIR. Prints one line for each fault, with the chain of includes
that leads to it, and exits 1 when there is any.
"""

import pathlib
import re
import sys

PROGRAM = {"app", "capture", "settings", "album", "playback"}
TOOLKIT = {"ui", "resources"}
PLATFORM = {"platform"}
# The higher the number, the higher the floor.
FLOOR = {**{m: 0 for m in PLATFORM}, **{m: 1 for m in TOOLKIT}, **{m: 2 for m in PROGRAM}}
FLOOR_NAMES = {0: "the platform", 1: "the toolkit", 2: "the program"}

# Headers only the platform's backends may see.
BACKEND_HEADER = re.compile(r"^(gst/|linux/videodev2\.h$)")

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.MULTILINE)
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".cc", ".c"}


def module_of(path):
    """The top folder of a path relative to the source tree ("app", "platform", ...)."""
    return path.parts[0] if len(path.parts) > 1 else None


def read_includes(src, path, cache):
    """The includes of one file: (header text, path in the tree or None)."""
    if path in cache:
        return cache[path]
    found = []
    text = (src / path).read_text(encoding="utf-8", errors="replace")
    # Comments could name an include that is not there.
    text = re.sub(r"/\*.*?\*/", "", text, flags=re.DOTALL)
    text = re.sub(r"//[^\n]*", "", text)
    for quote, name in INCLUDE.findall(text):
        local = None
        if quote == '"':
            for candidate in (pathlib.Path(name), path.parent / name):
                if (src / candidate).is_file():
                    local = pathlib.PurePosixPath(*candidate.parts)
                    break
        found.append((name, local))
    cache[path] = found
    return found


def backend_chain(src, path, cache, memo, visiting=()):
    """The chain of includes from `path` to a backend header, or None when there is none; and
    whether a cycle of includes was cut below it, which leaves a None unsure."""
    if path in memo:
        return memo[path], False
    if path in visiting:
        return None, True
    chain, cut = None, False
    for name, local in read_includes(src, path, cache):
        if local is None:
            if BACKEND_HEADER.match(name):
                chain = [name]
                break
            continue
        below, below_cut = backend_chain(src, local, cache, memo, visiting + (path,))
        cut = cut or below_cut
        if below is not None:
            chain = [str(local)] + below
            break
    if chain is not None or not cut:
        memo[path] = chain
    return chain, cut and chain is None


def faults(src):
    src = pathlib.Path(src)
    files = sorted(
        pathlib.PurePosixPath(p.relative_to(src).as_posix())
        for p in src.rglob("*")
        if p.is_file() and p.suffix in SOURCE_SUFFIXES
    )
    cache, memo, found = {}, {}, []
    for path in files:
        module = module_of(path)
        if module not in FLOOR:
            continue
        for name, local in read_includes(src, path, cache):
            target = module_of(local) if local else None
            if target in FLOOR and FLOOR[target] > FLOOR[module]:
                found.append(
                    f"{path}: includes {local}: {FLOOR_NAMES[FLOOR[module]]} never includes "
                    f"{FLOOR_NAMES[FLOOR[target]]}"
                )
        if module in PLATFORM:
            continue
        chain, _ = backend_chain(src, path, cache, memo)
        if chain is not None:
            found.append(
                f"{path}: sees {chain[-1]}, which only the platform's backends may: "
                + " -> ".join([str(path)] + chain)
            )
    return found


def main(argv):
    if len(argv) != 2:
        print("usage: check-floors.py SRC_DIR", file=sys.stderr)
        return 2
    found = faults(argv[1])
    for line in found:
        print(line)
    if found:
        print(f"{len(found)} include(s) break the floors (see DESIGN.md, \"Floors\")")
        return 1
    print("the floors hold")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

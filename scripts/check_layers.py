#!/usr/bin/env python3
"""Checks that every include under src/ follows the declared target graph.

Each folder of src/ is one CMake target. A file may include the headers of
its own folder and of the targets its folder's target links, directly or
through their PUBLIC links; anything else is a wrong-way or undeclared
include. The C libraries each have one adapter layer, so their headers are
checked too. Prints one line per offence and exits 1 when there is any.

Usage: check_layers.py [SOURCE_ROOT]
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
SRC = ROOT / "src"

# Folder -> the target whose links its files may use.
FOLDER_TARGET = {
    "cli": "albumsmith-cli",
    "ui": "albumsmith_ui",
}

# Library headers and the only folder allowed to include them.
LIBRARY_HEADERS = [
    (re.compile(r"^Q[A-Za-z]*(/|$)"), {"ui"}),
    (re.compile(r"^curl/"), {"publish", "update"}),
    (re.compile(r"^(jpeglib|jerror|jconfig|jmorecfg|turbojpeg)\.h$"), {"imaging"}),
    (re.compile(r"^(ft2build\.h|freetype/|fontconfig/)"), {"imaging"}),
]

LINK_RE = re.compile(r"target_link_libraries\(\s*([\w-]+)(.*?)\)", re.S)
INCLUDE_RE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def target_of(folder):
    return FOLDER_TARGET.get(folder, "albumsmith_" + folder)


def read_links():
    """Target -> (direct links, links passed on to dependants)."""
    links = {}
    for cmake in SRC.glob("*/CMakeLists.txt"):
        for target, body in LINK_RE.findall(cmake.read_text()):
            direct, public = links.setdefault(target, (set(), set()))
            scope = "PUBLIC"
            for word in body.split():
                if word in ("PUBLIC", "PRIVATE", "INTERFACE"):
                    scope = word
                elif word.startswith("albumsmith"):
                    direct.add(word)
                    if scope != "PRIVATE":
                        public.add(word)
    return links


def reachable(target, links):
    """Targets whose headers `target` may include: its direct links and what
    they pass on."""
    seen = set()
    todo = list(links.get(target, (set(), set()))[0])
    while todo:
        t = todo.pop()
        if t in seen:
            continue
        seen.add(t)
        todo.extend(links.get(t, (set(), set()))[1])
    return seen


def main():
    links = read_links()
    folders = sorted(p.name for p in SRC.iterdir() if p.is_dir())
    offences = []
    for folder in folders:
        allowed = {target_of(folder)} | reachable(target_of(folder), links)
        for path in sorted((SRC / folder).glob("*")):
            if path.suffix not in (".h", ".cpp", ".inc"):
                continue
            for kind, name in INCLUDE_RE.findall(path.read_text(errors="replace")):
                rel = path.relative_to(ROOT)
                if kind == '"':
                    layer = name.split("/", 1)[0] if "/" in name else folder
                    if layer not in folders:
                        continue
                    if target_of(layer) not in allowed:
                        offences.append(f"{rel}: includes {name}, but {target_of(folder)} does not link {target_of(layer)}")
                    continue
                for pattern, owners in LIBRARY_HEADERS:
                    if pattern.match(name) and folder not in owners:
                        offences.append(f"{rel}: includes <{name}>, which only {', '.join(sorted(owners))}/ may use")
    for line in offences:
        print(line)
    if offences:
        print(f"{len(offences)} include(s) break the layering")
        return 1
    print("layering: every include follows the target graph")
    return 0


if __name__ == "__main__":
    sys.exit(main())

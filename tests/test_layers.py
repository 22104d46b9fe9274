"""The product's includes run only downwards, floor by floor (FLOORS), each
naming a repository file (or the template NAME.in of a made one) from the
top; every C++ folder has its place; scriptlib/ is found without search-path
edits and has no import cycles."""

import ast
import os
import re
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

FLOORS = {"player": 1, "image": 1, "skin": 2, "draw": 3, "plugin": 4}
ABOVE = ("host", "tools", "bench", "web", "tests")
SOURCE_SUFFIXES = (".h", ".cpp")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def includes(root, folder):
    """(file:line, quoted or angled, included path) for each include line of a folder."""
    found = []
    for dirpath, _, files in sorted(os.walk(os.path.join(root, folder))):
        for name in sorted(files):
            if not name.endswith(SOURCE_SUFFIXES):
                continue
            path = os.path.join(dirpath, name)
            rel = os.path.relpath(path, root).replace(os.sep, "/")
            with open(path, encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if m:
                        found.append(("%s:%d" % (rel, number), m.group(1), m.group(2)))
    return found


def layering_faults(root):
    """Every upward, sideways or unresolved include of the product, and every
    cycle between its folders, one line each."""
    faults = []
    edges = {}  # (from folder, to folder) -> first place seen
    for folder in sorted(FLOORS):
        for where, kind, target in includes(root, folder):
            top = target.split("/")[0]
            if kind == "<" and top not in FLOORS and top not in ABOVE:
                continue  # a system or library header
            if top in ABOVE:
                faults.append('%s: includes "%s" from %s/, which the product never includes'
                              % (where, target, top))
                continue
            # A header the build makes from a template stands as NAME.in.
            made = os.path.isfile(os.path.join(root, target + ".in"))
            if top not in FLOORS or not (os.path.isfile(os.path.join(root, target)) or made):
                faults.append('%s: includes "%s", not a product file named from the top'
                              % (where, target))
                continue
            if top == folder:
                continue
            edges.setdefault((folder, top), (where, target))
            if FLOORS[top] >= FLOORS[folder]:
                faults.append('%s: includes "%s": %s/ (floor %d) from %s/ (floor %d) runs %s'
                              % (where, target, top, FLOORS[top], folder, FLOORS[folder],
                                 "sideways" if FLOORS[top] == FLOORS[folder] else "upwards"))
    faults.extend(folder_cycles(edges))
    return faults


def folder_cycles(edges):
    """One line per cycle in the folder graph, each edge with where it is made."""
    graph = {}
    for a, b in sorted(edges):
        graph.setdefault(a, []).append(b)
    cycles = []
    seen = set()

    def walk(folder, path):
        if folder in path:
            loop = path[path.index(folder):] + [folder]
            key = frozenset(zip(loop, loop[1:]))
            if key not in seen:
                seen.add(key)
                steps = ['%s/ -> %s/ (%s "%s")' % (a, b, *edges[(a, b)])
                         for a, b in zip(loop, loop[1:])]
                cycles.append("cycle between folders: " + "; ".join(steps))
            return
        for nxt in graph.get(folder, []):
            walk(nxt, path + [folder])

    for start in sorted(graph):
        walk(start, [])
    return cycles


def python_faults(root):
    """Python that reaches its modules by editing the search path, and import
    cycles between the modules of scriptlib/, one line each."""
    faults, edges = [], {}
    for folder in ("scriptlib", "scripts", "tests"):
        for dirpath, _, files in sorted(os.walk(os.path.join(root, folder))):
            for name in sorted(f for f in files if f.endswith(".py")):
                path = os.path.join(dirpath, name)
                rel = os.path.relpath(path, root).replace(os.sep, "/")
                with open(path, encoding="utf-8") as f:
                    text = f.read()
                tree = ast.parse(text, rel)
                if any(isinstance(n, ast.Attribute) and n.attr in ("insert", "append")
                       and ast.unparse(n.value) == "sys.path" for n in ast.walk(tree)):
                    faults.append("%s: edits sys.path" % rel)
                if folder != "scriptlib":
                    continue
                for node in ast.walk(tree):
                    if isinstance(node, ast.ImportFrom) and node.module == "scriptlib":
                        targets = [a.name for a in node.names]
                    elif isinstance(node, ast.ImportFrom) and (node.module or "").startswith("scriptlib."):
                        targets = [node.module.split(".")[1]]
                    elif isinstance(node, ast.Import):
                        targets = [a.name.split(".")[1] for a in node.names
                                   if a.name.startswith("scriptlib.")]
                    else:
                        continue
                    for target in targets:
                        edges.setdefault((name[:-3], target), ("%s:%d" % (rel, node.lineno), target))
    faults.extend(line.replace("between folders", "between modules").replace("/ ", " ")
                  for line in folder_cycles(edges))
    return faults


def unplaced_folders(root):
    """Top-level folders holding C++ sources that have no place in the layers."""
    unplaced = []
    for name in sorted(os.listdir(root)):
        path = os.path.join(root, name)
        if not os.path.isdir(path) or name.startswith(".") or name == "build":
            continue
        if name in FLOORS or name in ABOVE:
            continue
        for _, _, files in os.walk(path):
            if any(f.endswith(SOURCE_SUFFIXES) for f in files):
                unplaced.append(name)
                break
    return unplaced


class Layers(unittest.TestCase):
    def test_product_includes_run_only_downwards(self):
        faults = layering_faults(ROOT)
        self.assertEqual([], faults, "\n" + "\n".join(faults))

    def test_every_room_is_present_and_every_source_folder_placed(self):
        missing = [f for f in sorted(FLOORS) if not os.path.isdir(os.path.join(ROOT, f))]
        self.assertEqual([], missing, "rooms of the layers not found")
        self.assertEqual([], unplaced_folders(ROOT),
                         "folders with C++ sources but no place in the layers")

    def test_python_finds_its_modules_without_path_edits_and_without_cycles(self):
        faults = python_faults(ROOT)
        self.assertEqual([], faults, "\n" + "\n".join(faults))

    def test_checker_reports_each_kind_of_fault(self):
        # A small tree with one fault of each kind, so a checker that sees
        # nothing cannot pass the check above by accident.
        with tempfile.TemporaryDirectory() as root:
            for rel, text in {
                "player/records.h": "#include <windows.h>\n",
                "image/picture.h": '#include "player/records.h"\n',
                "skin/colours.h": '#include "image/picture.h"\n#include "draw/strip.h"\n',
                "draw/strip.h": '#include "skin/colours.h"\n#include "image/picture.h"\n',
                "plugin/start.cpp": '#include "plugin/start.h"\n#include "host/window.h"\n'
                                    '#include <tests/support/fixture.h>\n#include "missing.h"\n',
                "plugin/start.h": "",
                "host/window.h": "",
                "scriptlib/a.py": "from scriptlib import b\n",
                "scriptlib/b.py": "import os\nimport scriptlib.a\n",
                "tests/t.py": "import sys\nsys.path.insert(0, 'x')\n",
            }.items():
                os.makedirs(os.path.dirname(os.path.join(root, rel)), exist_ok=True)
                with open(os.path.join(root, rel), "w") as f:
                    f.write(text)
            self.assertEqual([
                'image/picture.h:1: includes "player/records.h": player/ (floor 1)'
                ' from image/ (floor 1) runs sideways',
                'plugin/start.cpp:2: includes "host/window.h" from host/,'
                ' which the product never includes',
                'plugin/start.cpp:3: includes "tests/support/fixture.h" from tests/,'
                ' which the product never includes',
                'plugin/start.cpp:4: includes "missing.h", not a product file named from the top',
                'skin/colours.h:2: includes "draw/strip.h": draw/ (floor 3)'
                ' from skin/ (floor 2) runs upwards',
                'cycle between folders: draw/ -> skin/ (draw/strip.h:1 "skin/colours.h");'
                ' skin/ -> draw/ (skin/colours.h:2 "draw/strip.h")',
            ], layering_faults(root))
            self.assertEqual([
                "tests/t.py: edits sys.path",
                'cycle between modules: a -> b (scriptlib/a.py:1 "b"); b -> a (scriptlib/b.py:2 "a")',
            ], python_faults(root))


if __name__ == "__main__":
    unittest.main(verbosity=2)

#!/usr/bin/env python3
"""Fails when a source file includes a header against the folder rules of
doc/architecture.md.

A room is a folder of a part: core/engine, core/display, gui/ui, gui/shell, cli,
cli/plot... The rules are by folder, so a new subsystem's room needs no change here:
  core/engine   only core/engine (the counting engine stands alone)
  core/*        core rooms; no two rooms include each other in a circle
  cli           core, cli
  cli/plot      core, cli, gui/charts (it draws vornix-count's charts)
  gui/ui        core, gui/ui (the window program's shared services)
  gui/shell     core and all of gui (the main window and start-up)
  gui/*         core, gui/ui and the room itself; gui/display also opens the context
                and charts windows, gui/context draws the dispersion plot of gui/charts
                (EXTRA)
Nothing in core or cli includes Qt; the core target links no Qt, so the linker says it
too.

    check-includes.py [ROOT]   check the tree at ROOT (default: this checkout)
    check-includes.py --self-test   show that the check fails on wrong includes
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

PARTS = ["core", "gui", "cli"]
EXTRA = {"gui/display": {"gui/context", "gui/charts"}, "gui/context": {"gui/charts"}, "cli/plot": {"gui/charts"}}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def room_of(path):
    """core/engine/Scanner.h -> core/engine; cli/CountOptions.h -> cli."""
    parts = path.split("/")
    return "/".join(parts[:2]) if len(parts) > 2 else parts[0]


def allowed(mine, theirs):
    if theirs == mine:
        return True
    part, their_part = mine.split("/")[0], theirs.split("/")[0]
    if mine == "core/engine":
        return False
    if their_part == "core":
        return True
    if theirs in EXTRA.get(mine, set()):
        return True
    if part == "cli":
        return theirs == "cli"
    if part == "gui":
        return mine == "gui/shell" or (theirs == "gui/ui" and their_part == "gui")
    return False


def qt_free(room):
    return room.split("/")[0] == "core" or room == "cli"


def acyclic(graph):
    done, active = set(), set()

    def visit(node):
        if node in active:
            return False
        if node in done:
            return True
        active.add(node)
        ok = all(visit(n) for n in graph.get(node, ()) if n != node)
        active.discard(node)
        done.add(node)
        return ok

    return all(visit(n) for n in list(graph))


def check(root):
    """Returns the list of broken rules, one line each."""
    problems = []
    graph = {}
    for part in PARTS:
        for dirpath, _, names in os.walk(os.path.join(root, part)):
            for name in sorted(names):
                if not name.endswith((".cpp", ".h")):
                    continue
                full = os.path.join(dirpath, name)
                path = os.path.relpath(full, root).replace(os.sep, "/")
                mine = room_of(path)
                if path.count("/") > 2:
                    problems.append(f"{path}: rooms are one folder deep")
                text = open(full, encoding="utf-8", errors="replace").read()
                for kind, target in INCLUDE.findall(text):
                    if kind == "<":
                        if qt_free(mine) and target.startswith("Q"):
                            problems.append(f"{path}: {mine} includes Qt <{target}>")
                        continue
                    if target.split("/", 1)[0] not in PARTS or "/" not in target:
                        continue
                    theirs = room_of(target)
                    graph.setdefault(mine, set()).add(theirs)
                    if not allowed(mine, theirs):
                        problems.append(f"{path}: {mine} may not include {target}")
    if not acyclic(graph):
        problems.append("rooms include each other in a circle: " + ", ".join(f"{a} -> {sorted(b - {a})}" for a, b in sorted(graph.items()) if b - {a}))
    return problems


def self_test():
    """The real tree passes; each deliberately wrong include makes the check fail."""
    here = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    wrong = [
        ("gui/display/ResultController.cpp", '#include "gui/commonlist/CommonListController.h"', "gui/display may not include"),
        ("gui/input/DocumentController.cpp", '#include "gui/shell/VornixMain.h"', "gui/input may not include"),
        ("gui/ui/WindowContext.cpp", '#include "gui/display/ResultController.h"', "gui/ui may not include"),
        ("core/engine/Scanner.cpp", '#include "core/output/OutputWalk.h"', "core/engine may not include"),
        ("core/display/ResultFilter.cpp", "#include <QString>", "core/display includes Qt"),
        ("core/display/SearchMatch.cpp", '#include "core/output/OutputWalk.h"', "include each other in a circle"),
        ("core/output/OutputWalk.cpp", '#include "gui/output/OutputController.h"', "core/output may not include"),
        ("cli/CountPlot.cpp", '#include "gui/charts/ChartDrawing.h"', "cli may not include"),
        ("cli/CountPlot.h", "#include <QString>", "cli includes Qt"),
        ("gui/charts/ChartDrawing.cpp", '#include "gui/display/ResultModel.h"', "gui/charts may not include"),
    ]
    failures = 0
    with tempfile.TemporaryDirectory() as temp:
        for part in PARTS:
            shutil.copytree(os.path.join(here, part), os.path.join(temp, part))
        script = os.path.abspath(__file__)

        def run():
            return subprocess.run([sys.executable, script, temp], capture_output=True, text=True)

        clean = run()
        if clean.returncode != 0:
            print("the unchanged tree fails:\n" + clean.stdout)
            failures += 1
        for path, line, expected in wrong:
            target = os.path.join(temp, path)
            original = open(target, encoding="utf-8").read()
            open(target, "w", encoding="utf-8").write(line + "\n" + original)
            result = run()
            open(target, "w", encoding="utf-8").write(original)
            if result.returncode == 0 or expected not in result.stdout:
                print(f"not caught: {line} in {path}")
                failures += 1
    print("self-test " + ("failed" if failures else "passed"))
    return 1 if failures else 0


def main():
    if sys.argv[1:] == ["--self-test"]:
        return self_test()
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    problems = check(root)
    for line in problems:
        print(line)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

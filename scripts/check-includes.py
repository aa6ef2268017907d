#!/usr/bin/env python3
"""Fails when a source file includes a header against the folder rules of
doc/architecture.md.

Every file of the program belongs to one room:
  engine    engine/
  core      the other files of vornix_core (Qt-free), as CMakeLists.txt lists them,
            with their headers
  services  the window program's shared parts in shell/ (SERVICES below)
  input, display, output, commonlist   the window program's files of those folders
  shell     the rest of shell/: the main window and start-up
  charts    display/ChartDrawing: the charts as Qt objects, for the Charts window and
            for vornix-count-plot (CHARTS below)
  cli       cli/ files outside the core: vornix-count, Qt-free
  plot      vornix-count-plot, the Qt program that draws vornix-count's charts (PLOT)

A room may include only the rooms ALLOWED names for it. Core and engine files may not
include Qt at all.

    check-includes.py [ROOT]   check the tree at ROOT (default: this checkout)
    check-includes.py --self-test   show that the check fails on wrong includes
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

FOLDERS = ["engine", "files", "ui", "input", "display", "output", "commonlist", "shell", "cli"]
SERVICES = {"ui/UiServices", "ui/WindowPlacement", "ui/AddDlg", "ui/HelpWindow", "ui/WindowContext"}
CHARTS = {"display/ChartDrawing"}
PLOT = {"cli/CountPlotMain"}
ALLOWED = {
    "engine": {"engine"},
    "core": {"engine", "core"},
    "cli": {"engine", "core", "cli"},
    "charts": {"engine", "core", "charts"},
    "plot": {"engine", "core", "cli", "charts", "plot"},
    "services": {"engine", "core", "services"},
    "display": {"engine", "core", "services", "charts", "display"},
    "input": {"engine", "core", "services", "input"},
    "output": {"engine", "core", "services", "output"},
    "commonlist": {"engine", "core", "services", "commonlist"},
    "shell": {"engine", "core", "services", "display", "input", "output", "commonlist", "shell"},
}
QT_FREE = {"engine", "core", "cli"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def core_stems(root):
    """The vornix_core sources, without extension, from CMakeLists.txt."""
    text = open(os.path.join(root, "CMakeLists.txt"), encoding="utf-8").read()
    block = re.search(r"add_library\(vornix_core\b(.*?)\)", text, re.S)
    if not block:
        sys.exit("check-includes: no vornix_core in CMakeLists.txt")
    return {os.path.splitext(s)[0] for s in block.group(1).split() if s.endswith(".cpp")}


def room(path, core):
    stem = os.path.splitext(path)[0]
    folder = path.split("/", 1)[0]
    if folder == "engine":
        return "engine"
    if stem in core:
        return "core"
    if stem in SERVICES:
        return "services"
    if stem in CHARTS:
        return "charts"
    if stem in PLOT:
        return "plot"
    return folder


def acyclic(graph):
    done, active = set(), set()

    def visit(node):
        if node in active:
            return False
        if node in done:
            return True
        active.add(node)
        ok = all(visit(n) for n in graph[node] if n != node)
        active.discard(node)
        done.add(node)
        return ok

    return all(visit(n) for n in graph)


def check(root):
    """Returns the list of broken rules, one line each."""
    if not acyclic(ALLOWED):
        return ["the rules themselves run in a circle"]
    core = core_stems(root)
    problems = []
    # Besides the rooms, the folders themselves depend one way: no two include each other.
    folders = {f: set() for f in FOLDERS}
    for folder in FOLDERS:
        for dirpath, _, names in os.walk(os.path.join(root, folder)):
            for name in sorted(names):
                if not name.endswith((".cpp", ".h")):
                    continue
                full = os.path.join(dirpath, name)
                path = os.path.relpath(full, root).replace(os.sep, "/")
                mine = room(path, core)
                text = open(full, encoding="utf-8", errors="replace").read()
                for kind, target in INCLUDE.findall(text):
                    if kind == "<":
                        if mine in QT_FREE and target.startswith("Q"):
                            problems.append(f"{path}: {mine} includes Qt <{target}>")
                        continue
                    if target.split("/", 1)[0] not in FOLDERS:
                        continue
                    if target.split("/", 1)[0] != folder:
                        folders[folder].add(target.split("/", 1)[0])
                    theirs = room(target, core)
                    if theirs not in ALLOWED[mine]:
                        problems.append(f"{path}: {mine} may not include {target} ({theirs})")
    if not acyclic(folders):
        problems.append("folders include each other in a circle: " + ", ".join(f"{a} -> {sorted(b)}" for a, b in folders.items() if b))
    return problems


def self_test():
    """The real tree passes; each deliberately wrong include makes the check fail."""
    here = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    wrong = [
        ("display/ResultController.cpp", '#include "commonlist/CommonListController.h"', "display may not include"),
        ("input/DocumentController.cpp", '#include "shell/VornixMain.h"', "input may not include"),
        ("ui/WindowContext.cpp", '#include "display/ResultController.h"', "services may not include"),
        ("engine/Scanner.cpp", '#include "output/OutputWalk.h"', "engine may not include"),
        ("engine/ResultFilter.cpp", "#include <QString>", "engine includes Qt"),
        ("output/OutputWalk.cpp", '#include "display/SearchMatch.h"', "folders include each other"),
        ("cli/CountPlot.cpp", '#include "display/ChartDrawing.h"', "cli may not include"),
        ("cli/CountPlot.h", "#include <QString>", "cli includes Qt"),
        ("display/ChartDrawing.cpp", '#include "display/ChartsWindow.h"', "charts may not include"),
    ]
    failures = 0
    with tempfile.TemporaryDirectory() as temp:
        shutil.copy(os.path.join(here, "CMakeLists.txt"), temp)
        for folder in FOLDERS:
            shutil.copytree(os.path.join(here, folder), os.path.join(temp, folder))
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

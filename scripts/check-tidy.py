#!/usr/bin/env python3
"""Runs clang-tidy with the project's .clang-tidy on every source file of a build
(core, gui, cli), on all cores: check-tidy.py BUILD_DIR. A file that passed is not
checked again until it, a header of ours that it includes (as the build's own
dependency records tell), or the checks change, so a rerun costs only what changed.
Exits 1 and prints the findings when any file has one."""
import hashlib
import json
import os
import shutil
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

root = os.path.realpath(os.path.join(os.path.dirname(__file__), ".."))
build = os.path.realpath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "build"))
if not shutil.which("clang-tidy"):
    sys.exit("clang-tidy is not installed")
commands = os.path.join(build, "compile_commands.json")
if not os.path.exists(commands):
    sys.exit("no compile_commands.json in " + build)
cache = os.path.join(build, "tidy-passed")
os.makedirs(cache, exist_ok=True)


def ours(path):
    rel = os.path.relpath(path, root)
    return rel.split(os.sep, 1)[0] in ("core", "gui", "cli")


def digest(paths):
    h = hashlib.sha256()
    for p in paths:
        h.update(p.encode())
        with open(p, "rb") as f:
            h.update(f.read())
    return h.hexdigest()[:32]


# The headers each object was built from, from ninja's records (empty before a build).
deps = {}
ninja = subprocess.run(["ninja", "-C", build, "-t", "deps"], capture_output=True, text=True)
current = None
for line in ninja.stdout.splitlines():
    if line and not line[0].isspace():
        current = os.path.realpath(os.path.join(build, line.split(":", 1)[0]))
        deps[current] = []
    elif line.strip() and current:
        deps[current].append(os.path.realpath(os.path.join(build, line.strip())))

all_headers = sorted(
    os.path.join(d, f) for top in ("core", "gui", "cli") for d, _, fs in os.walk(os.path.join(root, top))
    for f in fs if f.endswith(".h"))
checks = os.path.join(root, ".clang-tidy")
due = []
for entry in json.load(open(commands)):
    source = os.path.realpath(os.path.join(entry["directory"], entry["file"]))
    if not ours(source) or not os.path.exists(source):
        continue
    obj = os.path.realpath(os.path.join(entry["directory"], entry.get("output", "")))
    headers = [p for p in deps.get(obj, all_headers) if ours(p) and p.endswith(".h") and os.path.exists(p)]
    key = digest([checks, source] + sorted(set(headers)))
    if not os.path.exists(os.path.join(cache, key)):
        due.append((source, key))


def tidy(item):
    source, key = item
    run = subprocess.run(["clang-tidy", "--quiet", "-p", build, source], capture_output=True, text=True)
    if run.returncode == 0:
        open(os.path.join(cache, key), "w").close()
        return ""
    return "\n".join(l for l in (run.stdout + run.stderr).splitlines() if "warnings generated" not in l)


with ThreadPoolExecutor(os.cpu_count() or 1) as pool:
    findings = [f for f in pool.map(tidy, due) if f]
print("\n".join(findings))
sys.exit(1 if findings else 0)

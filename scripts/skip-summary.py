#!/usr/bin/env python3
"""Lists the tests a ctest run skipped, each with its reason, from ctest's JUnit file.

    scripts/skip-summary.py NAME=JUNIT.xml...    (NAME: the run, e.g. default, asan)

The reason is what the test printed with its skip: GoogleTest's GTEST_SKIP message, or a
script's last line of output. A skip that gives no reason fails the run, so every skip
on a fresh machine says why it happened.
"""
import sys
import xml.etree.ElementTree as ET


def reason(output):
    lines = [line.strip() for line in (output or "").splitlines()]
    # GoogleTest prints "file:line: Skipped", then the message, then "[  SKIPPED ] name".
    for i, line in enumerate(lines):
        if line.endswith(": Skipped"):
            message = []
            for follow in lines[i + 1:]:
                if follow.startswith("[  SKIPPED ]"):
                    break
                if follow:
                    message.append(follow)
            return " ".join(message)
    if any(line.startswith("[ RUN      ]") for line in lines):
        return ""  # a GoogleTest skip without a message
    rest = [line for line in lines if line]
    return rest[-1] if rest else ""


def main(args):
    if not args:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    unexplained = 0
    for arg in args:
        run, _, path = arg.rpartition("=")
        skipped = []
        for case in ET.parse(path).getroot().iter("testcase"):
            if case.get("status") == "notrun" or case.find("skipped") is not None:
                out = case.find("system-out")
                skipped.append((case.get("name"), reason(out.text if out is not None else "")))
        print(f"== {run or path}: {len(skipped)} test{'s' * (len(skipped) != 1)} skipped")
        for name, why in skipped:
            print(f"   {name}: {why or 'NO REASON GIVEN'}")
            unexplained += not why
    if unexplained:
        print(f"{unexplained} skipped test(s) give no reason: make each skip say why", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

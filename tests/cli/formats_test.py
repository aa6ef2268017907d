#!/usr/bin/env python3
"""vornix-count's csv, tsv and json output read back by Python's own readers, and its
progress display: shown and erased on a terminal, never on a file, off with --quiet.
Usage: formats_test.py PATH_TO_VORNIX_COUNT"""
import csv
import io
import json
import os
import pty
import subprocess
import sys
import tempfile
import threading
import time
import unittest

COUNT = sys.argv.pop(1) if len(sys.argv) > 1 else "vornix-count"

# Numbers with commas (which the table drops) and full stops, apostrophes inside and
# around words, the ligature, quote marks and the common words of the master list.
TEXT = (
    "1,000,000 people said \"Don't\" 1,000,000 times; 2,5 or 3.14 or 1,000 -- "
    "C\u00e6sar's \u00c6sop's 'quoted' o'clock o'clock rock'n'roll, the the THE a, \u00e6on.\n"
    "Smith, Jones, and \"Smith\" met at 10,000 ft; 10,000 ft! U.S.A. u.s.a. don't DON'T\n"
).encode("cp1252")

CASES = [
    ["--no-common-list", "--show-numbers"],
    ["--no-common-list", "--show-numbers", "--order=alphabetical", "--lower"],
    ["--no-common-list", "--order=length", "--threshold=2", "--separator=comma"],
    ["--no-common-list", "--show-numbers", "--threshold=1000"],  # no row at all
]


def run(args, stdin=None):
    p = subprocess.run([COUNT, *args], input=stdin, capture_output=True, check=True)
    return p.stdout


class Formats(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.path = os.path.join(cls.tmp.name, "text.txt")
        with open(cls.path, "wb") as f:
            f.write(TEXT)

    def table_rows(self, args):
        sep = {"--separator=comma": ","}.get(args[-1], "\t")
        out = run(args + [self.path])
        lines = out.split(b"\r\n")
        self.assertEqual(lines.pop(), b"")  # every line ends in CR LF
        rows = []
        for line in lines:
            word, count = line.decode("cp1252").rsplit(sep, 1)
            rows.append((word, int(count)))
        return rows

    def test_every_format_reads_back_as_the_table(self):
        for args in CASES:
            with self.subTest(args=args):
                table = self.table_rows(args)
                expected = [(i + 1, w, c) for i, (w, c) in enumerate(table)]
                if args[-1] != "--threshold=1000":
                    self.assertGreater(len(table), 5)

                out = run(args + ["--format=csv", self.path])
                self.assertNotIn(b"\r", out)
                rows = list(csv.reader(io.StringIO(out.decode("utf-8"), newline="")))
                self.assertEqual(rows[0], ["rank", "word", "count"])
                self.assertEqual([(int(r), w, int(c)) for r, w, c in rows[1:]], expected)

                out = run(args + ["--format=tsv", self.path])
                self.assertNotIn(b"\r", out)
                rows = list(csv.reader(io.StringIO(out.decode("utf-8"), newline=""), dialect="excel-tab"))
                self.assertEqual(rows[0], ["rank", "word", "count"])
                self.assertEqual([(int(r), w, int(c)) for r, w, c in rows[1:]], expected)

                data = json.loads(run(args + ["--format=json", self.path]).decode("utf-8"))
                self.assertIsInstance(data, list)
                for item in data:
                    self.assertEqual(sorted(item), ["count", "rank", "word"])
                    self.assertIsInstance(item["count"], int)
                self.assertEqual([(o["rank"], o["word"], o["count"]) for o in data], expected)

    def test_known_words_of_the_text(self):
        rows = {w: c for _, w, c in csv.reader(io.StringIO(
            run(["--no-common-list", "--show-numbers", "--format=csv", self.path]).decode(), newline=""))}
        for word, count in [("1000000", "2"), ("DON'T", "3"), ("CAESAR'S", "1"), ("AESOP'S", "1"),
                            ("AEON", "1"), ("QUOTED", "1"), ("O'CLOCK", "2"), ("ROCK'N'ROLL", "1"),
                            ("10000", "2"), ("U.S.A", "2"), ("THE", "3"), ("25", "1"), ("3.14", "1")]:
            self.assertEqual(rows.get(word), count, word)

    def test_every_mode_honours_the_format(self):
        """--per-million, --stats and --context give in csv, tsv and json what their plain
        output gives, field for field."""
        def read(fmt, args):
            out = run(args + ["--format=" + fmt, self.path]).decode("utf-8")
            if fmt == "json":
                return json.loads(out)
            rows = list(csv.reader(io.StringIO(out, newline=""), dialect="excel" if fmt == "csv" else "excel-tab"))
            return [dict(zip(rows[0], r)) for r in rows[1:]]

        million = ["--no-common-list", "--show-numbers", "--per-million"]
        plain = [line.split("\t") for line in run(million + [self.path]).decode("cp1252").split("\r\n")[:-1]]
        stats = [line.split("\t") for line in run(["--stats", self.path]).decode("cp1252").split("\n")[:-1]]
        context = ["--context=o'clock", "--width=12"]
        lines = [line.split("\t") for line in run(context + [self.path]).decode("utf-8").split("\n")[:-1]]
        self.assertEqual(len(lines), 2)
        for fmt in ["csv", "tsv", "json"]:
            with self.subTest(fmt=fmt):
                rows = read(fmt, million)
                self.assertEqual([(str(r["rank"]), r["word"], str(r["count"]), str(r["per_million"])) for r in rows],
                                 [(str(i + 1), w, c, m) for i, (w, c, m) in enumerate(plain)])
                rows = read(fmt, ["--stats"])
                expected = []
                for caption, *values in stats:
                    expected += [(caption, v) for v in values] if caption == "Files read" else [(caption, values[0])]
                self.assertEqual([(r["statistic"], r["value"]) for r in rows], expected)
                rows = read(fmt, context)
                self.assertEqual([[r["file"], str(r["line"]), r["left"], r["word"], r["right"]] for r in rows], lines)

    def test_bad_format_is_refused(self):
        p = subprocess.run([COUNT, "--format=xml", self.path], capture_output=True)
        self.assertEqual(p.returncode, 2)
        self.assertIn(b"bad value for --format: xml", p.stderr)
        self.assertEqual(p.stdout, b"")


class Progress(unittest.TestCase):
    """A run made longer than a second by a slow standard input."""

    WORDS = b"alpha beta gamma delta " * 3000

    def slow_run(self, args, stderr):
        p = subprocess.Popen([COUNT, "--no-common-list", *args, "-"], stdin=subprocess.PIPE,
                             stdout=subprocess.PIPE, stderr=stderr)

        def feed():
            p.stdin.write(self.WORDS)
            p.stdin.flush()
            time.sleep(1.3)
            p.stdin.write(self.WORDS)
            p.stdin.close()

        feeder = threading.Thread(target=feed)
        feeder.start()
        out = p.stdout.read()
        p.stdout.close()
        feeder.join()
        self.assertEqual(p.wait(), 0)
        self.assertEqual(out, b"ALPHA\t6000\r\nBETA\t6000\r\nDELTA\t6000\r\nGAMMA\t6000\r\n")

    def on_terminal(self, args):
        master, slave = pty.openpty()
        try:
            self.slow_run(args, slave)
        finally:
            os.close(slave)
        shown = b""
        while True:
            try:
                chunk = os.read(master, 4096)
            except OSError:  # the terminal's other end is closed
                break
            if not chunk:
                break
            shown += chunk
        os.close(master)
        return shown

    def test_shown_and_erased_on_a_terminal(self):
        shown = self.on_terminal([])
        self.assertIn(b"Reading file 1 of 1, ", shown)
        self.assertIn(b" MB/s", shown)
        self.assertTrue(shown.endswith(b"\r\x1b[K"), shown[-40:])

    def test_quiet_shows_nothing(self):
        self.assertEqual(self.on_terminal(["--quiet"]), b"")

    def test_nothing_on_a_file(self):
        with tempfile.TemporaryFile() as err:
            self.slow_run([], err)
            err.seek(0)
            self.assertEqual(err.read(), b"")


if __name__ == "__main__":
    unittest.main()

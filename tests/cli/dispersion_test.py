#!/usr/bin/env python3
"""vornix-count --per-file, --dispersion and --parts on four books of the corpus: the
counts per file are those of four separate runs, and range, Juilland's D, DP and DP_norm
are those the formulas give, worked out here from those runs.
Usage: dispersion_test.py PATH_TO_VORNIX_COUNT TEST_DATA_DIR"""
import csv
import io
import json
import math
import os
import subprocess
import sys
import tarfile
import tempfile
import unittest

COUNT = sys.argv.pop(1) if len(sys.argv) > 1 else "vornix-count"
DATA = sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "data")
SHARED = os.path.join(DATA, "..", "..", "..", "shared", "corpus")
EVERY_WORD = ["--no-common-list", "--show-numbers", "--quiet"]


def run(args):
    return subprocess.run([COUNT, *EVERY_WORD, *args], capture_output=True, check=True).stdout


def counts(path):
    rows = list(csv.reader(io.StringIO(run(["--format=csv", path]).decode("utf-8"), newline="")))
    return {w: int(c) for _, w, c in rows[1:]}


def figures(v, sizes):
    """range, D, DP, DP_norm from the definitions; parts without words left out."""
    v, sizes = zip(*[(a, s) for a, s in zip(v, sizes) if s > 0])
    n, total, f = len(v), sum(sizes), sum(v)
    share = [s / total for s in sizes]
    dp = sum(abs(a / f - s) for a, s in zip(v, share)) / 2
    p = [a / s for a, s in zip(v, sizes)]
    mean = sum(p) / n
    sd = math.sqrt(sum((x - mean) ** 2 for x in p) / n)
    return sum(a > 0 for a in v), 1 - sd / mean / math.sqrt(n - 1), dp, dp / (1 - min(share))


class Dispersion(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.books = [os.path.join(DATA, "corpus", "kjv-genesis.txt"),
                     os.path.join(DATA, "corpus", "shakespeare-sonnets.txt"),
                     os.path.join(DATA, "ulysses-excerpt.txt")]
        # A fourth, larger book from the shared corpus when it is there; else an empty
        # file, which is a part without words.
        packed = os.path.join(SHARED, "english-books.tar.xz")
        fourth = os.path.join(cls.tmp.name, "fourth.txt")
        try:
            with tarfile.open(packed) as tar:
                data = tar.extractfile("english/pg11-alice-in-wonderland.txt").read()
        except (OSError, KeyError, tarfile.TarError):
            data = b""
        with open(fourth, "wb") as f:
            f.write(data)
        cls.books.append(fourth)
        cls.separate = [counts(b) for b in cls.books]
        cls.sizes = [sum(c.values()) for c in cls.separate]

    def test_per_file_counts_are_the_separate_runs(self):
        out = run(["--per-file", "--format=csv", *self.books]).decode("utf-8")
        rows = list(csv.reader(io.StringIO(out, newline="")))
        self.assertEqual(rows[0], ["rank", "word", "count", *self.books])
        words = set().union(*self.separate)
        self.assertEqual(len(rows) - 1, len(words))
        for _, word, count, *per in rows[1:]:
            expected = [c.get(word, 0) for c in self.separate]
            self.assertEqual([int(x) for x in per], expected, word)
            self.assertEqual(int(count), sum(expected), word)

    def test_measures_follow_the_formulas(self):
        data = json.loads(run(["--dispersion", "--format=json", *self.books]))
        self.assertGreater(len(data), 3000)
        for row in data:
            v = [c.get(row["word"], 0) for c in self.separate]
            r, d, dp, dp_norm = figures(v, self.sizes)
            self.assertEqual(row["range"], r, row["word"])
            self.assertAlmostEqual(row["juilland_d"], d, places=10, msg=row["word"])
            self.assertAlmostEqual(row["dp"], dp, places=10, msg=row["word"])
            self.assertAlmostEqual(row["dp_norm"], dp_norm, places=10, msg=row["word"])

    def test_plain_table_adds_four_cells_to_each_line(self):
        plain = run(self.books).split(b"\r\n")
        wide = run(["--dispersion", *self.books]).split(b"\r\n")
        self.assertEqual(len(plain), len(wide))
        for a, b in zip(plain[:-1], wide[:-1]):
            head, *cells = b.rsplit(b"\t", 4)
            self.assertEqual(head, a)
            self.assertTrue(all(len(c.split(b".")[1]) == 4 for c in cells[1:]), b)

    def test_equal_parts_of_one_book(self):
        total = self.sizes[0]
        for parts in [2, 7, 100]:
            with self.subTest(parts=parts):
                out = run(["--per-file", "--dispersion", "--format=csv", "--parts=%d" % parts, self.books[0]])
                rows = list(csv.reader(io.StringIO(out.decode("utf-8"), newline="")))
                self.assertEqual(rows[0][-parts:], ["part_%d" % (i + 1) for i in range(parts)])
                columns = [sum(int(r[-parts + i]) for r in rows[1:]) for i in range(parts)]
                self.assertEqual(columns, [total // parts + (i < total % parts) for i in range(parts)])
                for row in rows[1:50]:
                    r, d, dp, dp_norm = figures([int(x) for x in row[-parts:]], columns)
                    self.assertEqual(int(row[3]), r)
                    self.assertAlmostEqual(float(row[4]), d, places=10)
                    self.assertAlmostEqual(float(row[5]), dp, places=10)
                    self.assertAlmostEqual(float(row[6]), dp_norm, places=10)

    def test_one_part_and_bad_options(self):
        # Two documents, one without words: one part, so only the range is defined.
        empty = os.path.join(self.tmp.name, "empty.txt")
        open(empty, "wb").close()
        data = json.loads(run(["--dispersion", "--per-file", "--format=json", self.books[2], empty]))
        self.assertEqual(len(data), len(self.separate[2]))
        for r in data:
            self.assertEqual((r["range"], r["juilland_d"], r["dp"], r["dp_norm"], r[empty]), (1, None, None, None, 0))
        for args, message in [(["--parts=1", "--dispersion"], b"--parts"),
                              (["--parts=1001", "--dispersion"], b"--parts"),
                              (["--parts=3"], b"--parts needs --dispersion or --per-file"),
                              (["--dispersion", "--stats"], b"--dispersion cannot be used with --stats"),
                              (["--per-file", "--context=the"], b"--per-file cannot be used with --context")]:
            p = subprocess.run([COUNT, *args, self.books[0]], capture_output=True)
            self.assertEqual(p.returncode, 2, args)
            self.assertIn(message, p.stderr)
            self.assertEqual(p.stdout, b"")


if __name__ == "__main__":
    unittest.main()

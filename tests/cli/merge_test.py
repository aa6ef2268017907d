#!/usr/bin/env python3
"""vornix-count --merge: the texts kept with the tests cut into documents, the documents
counted in shards (each shard's table in a format of its own), the tables merged, and the
result compared byte for byte with one count of all the documents, in every order and
format. Also: --stats of a merge, a table from standard input, and what a merge refuses.
Usage: merge_test.py PATH_TO_VORNIX_COUNT TEST_DATA_DIR"""
import os
import subprocess
import sys
import tempfile
import unittest

COUNT = sys.argv.pop(1) if len(sys.argv) > 1 else "vornix-count"
DATA = sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "data")
SHARD = ["--no-common-list", "--show-numbers"]

# How each shard writes its table: every layout a table of Vornix comes in.
SHARD_FORMATS = [
    [],
    ["--separator=comma", "--per-million", "--lower"],
    ["--format=csv"],
    ["--format=tsv", "--per-million", "--lower"],
    ["--format=json", "--order=alphabetical"],
    ["--separator=space", "--order=length"],
    ["--format=json", "--per-million", "--lower"],
]

# The merged table's options; the one count gets the same.
ORDERS = ["--order=frequency", "--order=alphabetical", "--order=length"]
OUTPUTS = [
    [],
    ["--lower", "--per-million"],
    ["--format=csv", "--lower"],
    ["--format=tsv", "--per-million"],
    ["--format=json", "--lower", "--per-million"],
    ["--separator=comma", "--threshold=3"],
]


def run(args, stdin=None, check=True):
    p = subprocess.run([COUNT, "--quiet", *args], input=stdin, capture_output=True)
    if check and p.returncode != 0:
        raise AssertionError(f"{args}: exit {p.returncode}: {p.stderr.decode()}")
    return p


class Merge(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        texts = [os.path.join(DATA, "corpus", "kjv-genesis.txt"), os.path.join(DATA, "corpus", "shakespeare-sonnets.txt"),
                 os.path.join(DATA, "ulysses-excerpt.txt")]
        # Documents cut at line ends (a line end is a separator, so no word is split),
        # plus one of numbers, possessives, the ligature and words that sort apart in
        # lower case (A_ before AB only in upper case).
        cls.docs = []
        for t in texts:
            with open(t, "rb") as f:
                lines = f.read().split(b"\n")
            step = len(lines) // 5 + 1
            for i in range(0, len(lines), step):
                cls.docs.append(cls.write(f"{os.path.basename(t)}.{i}", b"\n".join(lines[i:i + step]) + b"\n"))
        cls.docs.append(cls.write("odd.txt", "A_ ab Ab a_b 1,000 10th 3.14 John's JOHN C\u00e6sar's caf\u00e9 z_z zz "
                                  "U.S.A. o'clock rock'n'roll THE the\n".encode("cp1252")))
        cls.list = cls.write("list.dat", b"the\nand\nzebra\nab\n")
        # Documents dealt to shards unevenly, as a cluster's tasks would get them.
        shards = [cls.docs[i::len(SHARD_FORMATS)] for i in range(len(SHARD_FORMATS))]
        cls.tables = []
        for n, (docs, fmt) in enumerate(zip(shards, SHARD_FORMATS)):
            table = os.path.join(cls.tmp.name, f"shard{n}")
            run([*SHARD, *fmt, f"--output={table}", *docs])
            cls.tables.append(table)

    @classmethod
    def write(cls, name, data):
        path = os.path.join(cls.tmp.name, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_merged_shards_are_one_count_in_every_order_and_format(self):
        for extra in [SHARD, ["--common-list=" + self.list, "--show-common", "--show-numbers", "--threshold=0"],
                      ["--common-list=" + self.list, "--possessives=strip"]]:
            for order in ORDERS:
                for out in OUTPUTS:
                    args = [*extra, order, *out]
                    with self.subTest(args=args):
                        one = run([*args, *self.docs]).stdout
                        self.assertGreater(len(one), 1000)
                        self.assertEqual(run(["--merge", *args, *self.tables]).stdout, one)

    def test_stats_give_what_sums_allow(self):
        one = run([*SHARD, "--stats", *self.docs]).stdout.decode().splitlines()
        merged = run([*SHARD, "--stats", "--merge", *self.tables]).stdout.decode().splitlines()
        self.assertEqual(len(merged), len(one))
        empty = {"File count", "Files read", "Letters of other scripts (not counted)",
                 "Standardised type/token ratio (per 1,000 words)"}
        for a, b in zip(one, merged):
            caption = a.split("\t")[0]
            with self.subTest(caption=caption):
                # "Files read" stands alone when no file is named.
                expected = a if caption not in empty else caption if caption == "Files read" else caption + "\t"
                self.assertEqual(b, expected)
        self.assertIn("Total words from file(s)\t", "\n".join(merged))

    def test_a_table_on_standard_input(self):
        with open(self.tables[4], "rb") as f:
            piped = run(["--merge", self.tables[0], "-"], stdin=f.read()).stdout
        self.assertEqual(piped, run(["--merge", self.tables[0], self.tables[4]]).stdout)

    def test_what_is_not_a_table_is_refused_and_nothing_is_written(self):
        prose = self.write("prose.txt", b"In the beginning\nGod created the heaven\n")
        hyphen = self.write("hyphen.tsv", b"rank\tword\tcount\n1\tgood\t4\n2\tfish-cake\t3\n")
        out = os.path.join(self.tmp.name, "out.txt")
        for bad, message in [(prose, f"Line 2 of {prose} is not a word and a count"),
                             (hyphen, f"Line 3 of {hyphen} is not a word and a count"),
                             (os.path.join(self.tmp.name, "missing"), "Cannot open file")]:
            for where in [[], [f"--output={out}"]]:
                with self.subTest(bad=bad, where=where):
                    p = run(["--merge", *where, self.tables[0], bad], check=False)
                    self.assertEqual(p.returncode, 1)
                    self.assertEqual(p.stdout, b"")
                    self.assertIn(message, p.stderr.decode())
                    self.assertFalse(os.path.exists(out))
        p = run(["--merge", "--ngrams=2", self.tables[0]], check=False)
        self.assertEqual((p.returncode, p.stderr.splitlines()[0]),
                         (2, b"vornix-count: --merge cannot be used with --ngrams"))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])

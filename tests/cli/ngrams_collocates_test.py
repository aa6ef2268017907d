#!/usr/bin/env python3
"""vornix-count --ngrams and --collocates on a corpus book, against n-grams and spans
worked out here from the book's words, cut by the count's rules written anew below.
Usage: ngrams_collocates_test.py PATH_TO_VORNIX_COUNT CORPUS_DIR TEST_TEXT"""
import csv
import io
import math
import os
import subprocess
import sys
import tarfile
import tempfile
import unittest

COUNT = sys.argv.pop(1)
CORPUS = sys.argv.pop(1)
EXCERPT = sys.argv.pop(1)
BOOK = "english/pg1342-pride-and-prejudice.txt"
BASE = ["--no-common-list", "--show-numbers", "--quiet"]


def book_text():
    """The book, its non-ASCII characters made spaces (so that the rules below, which
    are the ASCII ones, are the whole story); the excerpt kept with the tests when the
    shared corpus is not there."""
    archive = os.path.join(CORPUS, "english-books.tar.xz")
    if os.path.exists(archive):
        with tarfile.open(archive) as tar:
            raw = tar.extractfile(BOOK).read()
    else:
        with open(EXCERPT, "rb") as f:
            raw = f.read()
    text = raw.decode("utf-8", errors="replace")
    return "".join(c if c < "\x80" else " " for c in text)


def words_of(text):
    """The words as the count cuts them: letters (upper-cased), digits, apostrophes and
    underscores; a comma after a digit is dropped, else it ends the word; a full stop
    stays inside a word when single, and two in a row end it; 40 characters at most;
    apostrophes and full stops trimmed from both ends."""
    out, word, prev = [], [], " "

    def emit():
        w = "".join(word).strip("'.,")
        word.clear()
        if w:
            out.append(w)

    for ch in text:
        if ch.isascii() and (ch.isalnum() or ch in "'_"):
            cur = ch.upper()
            if len(word) < 40:
                word.append(cur)
        elif ch == ",":
            cur = ","
            if word and not prev.isdigit():
                emit()
        elif ch == ".":
            cur = "."
            if word:
                if prev == ".":
                    emit()
                elif len(word) < 40:
                    word.append(".")
        else:
            cur = " "
            if word:
                emit()
        prev = cur
    if word:
        emit()
    return out


def ngrams_of(docs, n):
    counts, docsets = {}, {}
    for d, words in enumerate(docs):
        for i in range(len(words) - n + 1):
            key = " ".join(words[i:i + n])
            counts[key] = counts.get(key, 0) + 1
            docsets.setdefault(key, set()).add(d)
    return {k: (c, len(docsets[k])) for k, c in counts.items()}


def run(args, check=True):
    p = subprocess.run([COUNT, *args], capture_output=True)
    if check and p.returncode != 0:
        raise AssertionError(p.stderr.decode())
    return p


class NGramsAndCollocates(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        text = book_text()
        # Two documents cut mid-line: no n-gram or span may reach across the cut.
        cut = text.index(" ", len(text) // 2)
        cls.docs = []
        cls.words = []
        for i, part in enumerate([text[:cut], text[cut:]]):
            path = os.path.join(cls.tmp.name, "part%d.txt" % i)
            with open(path, "w", encoding="ascii", newline="") as f:
                f.write(part)
            cls.docs.append(path)
            cls.words.append(words_of(part))
        assert sum(map(len, cls.words)) > 30000

    def test_ngrams_of_two_and_three_words(self):
        for n in (2, 3):
            with self.subTest(n=n):
                expected = ngrams_of(self.words, n)
                order = sorted(expected, key=lambda k: (-expected[k][0], k))
                out = run(BASE + ["--ngrams=%d" % n, "--format=csv", *self.docs]).stdout.decode()
                rows = list(csv.reader(io.StringIO(out, newline="")))
                self.assertEqual(rows[0], ["rank", "ngram", "count", "range"])
                want = [[str(i + 1), k, str(expected[k][0]), str(expected[k][1])] for i, k in enumerate(order)]
                self.assertEqual(len(rows) - 1, len(want))
                self.assertEqual(rows[1:], want)
                self.assertTrue(any(r[3] == "2" for r in rows[1:]))
                # The plain table by length, longest first, with a threshold.
                out = run(BASE + ["--ngrams=%d" % n, "--order=length", "--threshold=3", *self.docs]).stdout
                shown = sorted((k for k in expected if expected[k][0] >= 3), key=lambda k: (-len(k), k))
                self.assertEqual(out, "".join("%s\t%d\r\n" % (k, expected[k][0]) for k in shown).encode())

    def test_collocates_of_a_frequent_word(self):
        total = sum(map(len, self.words))
        freq = {}
        for words in self.words:
            for w in words:
                freq[w] = freq.get(w, 0) + 1
        # A frequent long word of whichever text is read (the book, or the excerpt kept
        # with the tests when the corpus is not beside the checkout).
        named = max((w for w in freq if len(w) >= 5 and w.isalpha()), key=lambda w: (freq[w], w)).lower()
        for node, left, right, sort in (("the", 4, 2, "frequency"), (named, 5, 5, "log-dice"), ("of", 0, 3, "mi")):
            with self.subTest(node=node):
                node = node.upper()
                lr = {}
                for words in self.words:
                    for i, w in enumerate(words):
                        if w != node:
                            continue
                        for j in range(max(0, i - left), i):
                            lr.setdefault(words[j], [0, 0])[0] += 1
                        for j in range(i + 1, min(len(words), i + right + 1)):
                            lr.setdefault(words[j], [0, 0])[1] += 1
                fn = freq[node]

                def figures(w):
                    o, fc = sum(lr[w]), freq[w]
                    return (math.log2(o * total / (fn * fc)), (o - fn * fc / total) / math.sqrt(o),
                            14 + math.log2(2 * o / (fn + fc)))

                key = {"frequency": lambda w: sum(lr[w]), "mi": lambda w: figures(w)[0],
                       "log-dice": lambda w: figures(w)[2]}[sort]
                order = sorted(lr, key=lambda w: (-key(w), w))
                args = BASE + ["--collocates=" + node.lower(), "--left=%d" % left, "--right=%d" % right,
                               "--sort-by=" + sort]
                out = run(args + ["--format=csv", *self.docs]).stdout.decode()
                rows = list(csv.reader(io.StringIO(out, newline="")))
                self.assertEqual(rows[0], ["rank", "collocate", "cooccurrence", "left", "right", "count", "mi",
                                           "t_score", "log_dice"])
                self.assertEqual([r[1] for r in rows[1:]], order)
                for r in rows[1:]:
                    w = r[1]
                    self.assertEqual([int(x) for x in r[2:6]], [sum(lr[w]), lr[w][0], lr[w][1], freq[w]], w)
                    for got, want in zip(r[6:], figures(w)):
                        self.assertAlmostEqual(float(got), want, delta=1e-9 * max(1, abs(want)))
                out = run(args + ["--separator=comma", *self.docs]).stdout
                self.assertEqual(out, "".join("%s,%d,%.3f\r\n" % (w, sum(lr[w]), figures(w)[2])
                                              for w in order).encode())

    def test_bad_values_are_usage_errors(self):
        for args in (["--ngrams=1"], ["--ngrams=9"], ["--ngrams=two"], ["--collocates=the", "--left=11"],
                     ["--collocates=the", "--left=0", "--right=0"], ["--collocates=of the"],
                     ["--collocates="], ["--right=3"], ["--collocates=the", "--sort-by=log-ratio"],
                     ["--ngrams=2", "--stats"], ["--ngrams=2", "--collocates=the"]):
            with self.subTest(args=args):
                p = run(BASE + args + [self.docs[0]], check=False)
                self.assertEqual(p.returncode, 2)
                self.assertEqual(p.stdout, b"")
                lines = p.stderr.decode().splitlines()
                self.assertEqual(len(lines), 2)
                self.assertTrue(lines[0].startswith("vornix-count: "), lines[0])
        p = run(BASE + ["--collocates=zyzzyva", self.docs[0]], check=False)
        self.assertEqual((p.returncode, p.stderr), (1, b"vornix-count: the word ZYZZYVA does not occur in the text\n"))


if __name__ == "__main__":
    unittest.main()

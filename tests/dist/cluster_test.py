#!/usr/bin/env python3
"""dist/cluster on this machine: vornix-dask.py on a real LocalCluster of two worker
processes on 127.0.0.1 (7 shards against one count, a worker killed during a run, a
shard that keeps failing), the README's GNU parallel recipe with local slots, and the
Slurm scripts run as Slurm runs them. Each part skips, saying why, when its program is
missing.
Usage: cluster_test.py dask|parallel|slurm PATH_TO_VORNIX_COUNT TEST_DATA_DIR CLUSTER_DIR"""
import importlib.util
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

PART, COUNT, DATA, CLUSTER = sys.argv[1:5]
COUNT, DATA, CLUSTER = (os.path.abspath(p) for p in (COUNT, DATA, CLUSTER))
SCRIPT = os.path.join(CLUSTER, "vornix-dask.py")
SHARD = ["--no-common-list", "--show-numbers"]
SKIP = 77


def cut_corpus(folder, pieces_per_text=5):
    """The texts kept with the tests cut at line ends into documents (no word is split)."""
    os.makedirs(folder)
    for name in ["corpus/kjv-genesis.txt", "corpus/shakespeare-sonnets.txt", "ulysses-excerpt.txt"]:
        with open(os.path.join(DATA, name), "rb") as f:
            lines = f.read().split(b"\n")
        step = len(lines) // pieces_per_text + 1
        for i in range(0, len(lines), step):
            with open(os.path.join(folder, "%s.%03d.txt" % (os.path.basename(name), i // step)), "wb") as f:
                f.write(b"\n".join(lines[i:i + step]) + b"\n")
    return sorted(os.path.join(folder, n) for n in os.listdir(folder))


def one_count(args, docs):
    return subprocess.run([COUNT, "--quiet", *args, *docs], capture_output=True, check=True).stdout


def write_script(path, body):
    with open(path, "w") as f:
        f.write("#!/bin/sh\n" + body)
    os.chmod(path, 0o755)
    return path


class Dask(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        from distributed import LocalCluster
        cls.tmp = tempfile.TemporaryDirectory()
        cls.docs = cut_corpus(os.path.join(cls.tmp.name, "corpus"))
        cls.cluster = LocalCluster(n_workers=2, threads_per_worker=1, processes=True, host="127.0.0.1",
                                   dashboard_address=None)

    @classmethod
    def tearDownClass(cls):
        cls.cluster.close()
        cls.tmp.cleanup()

    def dask(self, args, program=COUNT, scheduler=True):
        where = ["--scheduler=" + self.cluster.scheduler_address] if scheduler else ["--workers=2"]
        return subprocess.run([sys.executable, SCRIPT, *where, "--vornix-count=" + program, *args],
                              capture_output=True)

    def test_seven_shards_give_one_counts_table(self):
        for args, scheduler in [([*SHARD, "--order=alphabetical"], False),
                                ([*SHARD, "--format=csv", "--lower", "--per-million"], True),
                                (["--order=length", "--threshold=2", "--possessives=strip"], True)]:
            with self.subTest(args=args):
                p = self.dask(["--shards=7", *args, os.path.dirname(self.docs[0])], scheduler=scheduler)
                self.assertEqual(p.returncode, 0, p.stderr.decode())
                expected = one_count(args, self.docs)
                self.assertGreater(len(expected), 10000)
                self.assertEqual(p.stdout, expected)
                # Progress: one line per shard on a standard error that is no terminal.
                self.assertEqual(len(re.findall(rb"shard \d of 7 counted", p.stderr)), 7)

    def test_a_worker_killed_during_the_run_changes_nothing(self):
        # Each task notes its worker (the parent of vornix-count's shell) and then takes a
        # second, so that tasks are running when a worker is killed.
        starts = os.path.join(self.tmp.name, "starts")
        slow = self.noting_count(starts, "sleep 1\n")
        run = subprocess.Popen([sys.executable, SCRIPT, "--scheduler=" + self.cluster.scheduler_address,
                                "--vornix-count=" + slow, "--shards=7", "--quiet", *SHARD, *self.docs],
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        deadline = time.time() + 30
        while not (os.path.exists(starts) and open(starts).read().strip()) and time.time() < deadline:
            time.sleep(0.05)
        victim = int(open(starts).read().split()[0])
        os.kill(victim, signal.SIGKILL)
        out, err = run.communicate(timeout=120)
        self.assertEqual(run.returncode, 0, err.decode())
        self.assertEqual(out, one_count(SHARD, self.docs))
        # The killed worker's task was run again elsewhere: more starts than shards.
        self.assertGreater(len(open(starts).read().split()), 7)

    def test_a_shard_that_keeps_failing_is_named_and_no_table_is_written(self):
        attempts = os.path.join(self.tmp.name, "attempts")
        failing = write_script(os.path.join(self.tmp.name, "failing-count"),
                               'case "$*" in *sonnets.txt.002*) echo x >> "%s"; '
                               'echo "vornix-count: Cannot read file (disk gone)" >&2; exit 1;; esac\n'
                               'exec "%s" "$@"\n' % (attempts, COUNT))
        out = os.path.join(self.tmp.name, "table.txt")
        p = self.dask(["--retries=1", "--shards=7", *SHARD, "--output=" + out, *self.docs], program=failing)
        self.assertEqual(p.returncode, 1)
        self.assertEqual(p.stdout, b"")
        self.assertFalse(os.path.exists(out))
        err = p.stderr.decode()
        self.assertRegex(err, r"shard \d of 7 \([^)]*shakespeare-sonnets.txt.002.txt[^)]*\) failed: "
                              r"vornix-count: Cannot read file \(disk gone\)")
        self.assertIn("no table written", err)
        self.assertEqual(len(open(attempts).read().split()), 2)  # the first run and one retry

    def noting_count(self, starts, then=""):
        """vornix-count behind a shell that notes the worker of every shard's count (the
        client's merges are not noted)."""
        return write_script(os.path.join(self.tmp.name, "noting-count-" + os.path.basename(starts)),
                            'case "$*" in *--merge*) ;; *) echo $PPID >> "%s";; esac\n%sexec "%s" "$@"\n'
                            % (starts, then, COUNT))

    def test_options_the_merge_refuses_stop_before_any_task(self):
        starts = os.path.join(self.tmp.name, "refused")
        p = self.dask(["--ngrams=2", *self.docs], program=self.noting_count(starts))
        self.assertEqual((p.returncode, p.stderr.splitlines()[0]),
                         (2, b"vornix-count: --merge cannot be used with --ngrams"))
        self.assertFalse(os.path.exists(starts))
        p = self.dask(self.docs, program="/nonexistent/vornix-count")
        self.assertEqual(p.returncode, 1)
        self.assertIn(b"vornix-dask: cannot run /nonexistent/vornix-count", p.stderr)


class Recipes(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.docs = cut_corpus(os.path.join(self.tmp.name, "corpus"))
        self.env = dict(os.environ, PATH=os.path.dirname(COUNT) + os.pathsep + os.environ["PATH"])

    def tearDown(self):
        self.tmp.cleanup()

    def test_the_readmes_parallel_recipe_with_local_slots(self):
        with open(os.path.join(CLUSTER, "README.md")) as f:
            readme = f.read()
        recipe = re.search(r"<!-- parallel recipe.*?```sh\n(.*?)```", readme, re.S).group(1)
        p = subprocess.run(["bash", "-euo", "pipefail", "-c", recipe], cwd=self.tmp.name,
                           env=dict(self.env, SSHLOGIN="2/:", PER_JOB="2"), capture_output=True)
        self.assertEqual(p.returncode, 0, p.stderr.decode())
        shards = [n for n in os.listdir(self.tmp.name) if n.startswith("shard-")]
        self.assertEqual(len(shards), (len(self.docs) + 1) // 2)  # 2 documents a job
        with open(os.path.join(self.tmp.name, "table.txt"), "rb") as f:
            self.assertEqual(f.read(), one_count(SHARD, self.docs))
        self.assertEqual(len(os.listdir(os.path.join(self.tmp.name, "corpus"))), len(self.docs))

    def test_the_slurm_scripts_run_as_the_array_and_its_merge(self):
        for folder in ["shards", "tables", "logs"]:
            os.mkdir(os.path.join(self.tmp.name, folder))
        lists = [self.docs[i::4] for i in range(4)]
        for n, files in enumerate(lists):
            with open(os.path.join(self.tmp.name, "shards", "shard-%04d.list" % n), "w") as f:
                f.write("".join(p + "\n" for p in files))
        for n in range(len(lists)):
            subprocess.run(["bash", os.path.join(CLUSTER, "count-shard.sbatch")], cwd=self.tmp.name, check=True,
                           env=dict(self.env, SLURM_ARRAY_TASK_ID=str(n)))
        subprocess.run(["bash", os.path.join(CLUSTER, "merge-tables.sbatch")], cwd=self.tmp.name, check=True,
                       env=dict(self.env, MERGE_OPTIONS="--order=alphabetical --lower"))
        with open(os.path.join(self.tmp.name, "table.txt"), "rb") as f:
            self.assertEqual(f.read(), one_count([*SHARD, "--order=alphabetical", "--lower"], self.docs))


if __name__ == "__main__":
    if PART == "dask":
        if importlib.util.find_spec("distributed") is None:
            print("python3-distributed is not installed for %s (scripts/setup.sh test installs it)" % sys.executable)
            sys.exit(SKIP)
    if PART == "parallel" and not shutil.which("parallel"):
        print("GNU parallel is not installed (scripts/setup.sh test installs it)")
        sys.exit(SKIP)
    loader = unittest.TestLoader()
    suite = loader.loadTestsFromTestCase(Dask) if PART == "dask" else unittest.TestSuite(
        [Recipes("test_the_readmes_parallel_recipe_with_local_slots" if PART == "parallel"
                 else "test_the_slurm_scripts_run_as_the_array_and_its_merge")])
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    sys.exit(0 if result.wasSuccessful() else 1)

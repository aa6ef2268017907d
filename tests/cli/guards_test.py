#!/usr/bin/env python3
"""vornix-count against hostile surroundings: files that are no regular files where a
list or a table is read, links planted by other users, signals, files that change
while they are read, input that cannot be read twice.
Usage: guards_test.py PATH_TO_VORNIX_COUNT"""
import glob
import os
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time
import unittest

COUNT = sys.argv.pop(1) if len(sys.argv) > 1 else "vornix-count"


def sanitized():
    """True for a build with AddressSanitizer, whose quarantine keeps freed memory."""
    try:
        with open(shutil.which(COUNT) or COUNT, "rb") as f:
            return b"__asan_init" in f.read()
    except OSError:
        return False
# Long enough for any refusal on a loaded machine; a run that waits on a FIFO or reads
# /dev/zero never ends, and the timeout fails the test.
WAIT = 30
NOBODY = 65534
PLOT = os.path.join(os.path.dirname(COUNT), "vornix-count-plot")
ROOT_SKIP = "needs root: files and links of another user are made with chown"


def read(path):
    with open(path, "rb") as f:
        return f.read()


def count(args, **kw):
    """Runs vornix-count; (exit code, stdout, stderr), stderr as text."""
    p = subprocess.run([COUNT, *args], capture_output=True, timeout=WAIT, **kw)
    return p.returncode, p.stdout, p.stderr.decode("utf-8", "replace")


class Folder(unittest.TestCase):
    def setUp(self):
        self._tmp = tempfile.TemporaryDirectory()
        self.dir = self._tmp.name
        self.doc = self.file("doc.txt", b"b a b the\n")

    def tearDown(self):
        self._tmp.cleanup()

    def file(self, name, data):
        path = os.path.join(self.dir, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def fifo(self, name="fifo"):
        path = os.path.join(self.dir, name)
        os.mkfifo(path)
        return path


class ListsAndTables(Folder):
    def test_a_list_or_table_that_is_no_regular_file_is_refused_without_waiting(self):
        fifo = self.fifo()
        big = os.path.join(self.dir, "big.dat")
        with open(big, "wb") as f:
            f.truncate((64 << 20) + 1)  # sparse: costs nothing
        rows = [
            (["--common-list=" + fifo, self.doc], fifo, "not a regular file"),
            (["--common-list=/dev/zero", self.doc], "/dev/zero", "not a regular file"),
            (["--common-list=" + self.dir, self.doc], self.dir, "not a regular file"),
            (["--common-list=" + big, self.doc], big, "File too large"),
            (["--keywords", "--reference-table=" + fifo, self.doc], fifo, "not a regular file"),
            (["--keywords", "--reference-table=/dev/zero", self.doc], "/dev/zero", "not a regular file"),
        ]
        for args, path, reason in rows:
            with self.subTest(args=args):
                code, out, err = count(args)
                self.assertEqual(code, 1)
                self.assertEqual(out, b"")
                self.assertEqual(err, "vornix-count: Cannot open file %s (%s)\n" % (path, reason))
        self.assertTrue(stat.S_ISFIFO(os.stat(fifo).st_mode))

    def test_a_list_of_exactly_the_limit_is_read(self):
        listed = self.file("list.dat", b"the\n" + b" " * ((64 << 20) - 4))
        code, out, err = count(["--common-list=" + listed, self.doc])
        self.assertEqual((code, err), (0, ""))
        self.assertEqual(out, b"B\t2\r\nA\t1\r\n")


class SharedFolders(Folder):
    """Links another user planted in a shared folder such as /tmp."""

    def setUp(self):
        super().setUp()
        if os.geteuid() != 0:
            self.skipTest(ROOT_SKIP)
        os.chmod(self.dir, 0o755)

    def shared(self, name, mode, owner=0):
        path = os.path.join(self.dir, name)
        os.mkdir(path)
        os.chmod(path, mode)
        os.chown(path, owner, owner)
        return path

    def link(self, folder, name, target, owner):
        path = os.path.join(folder, name)
        os.symlink(target, path)
        os.lchown(path, owner, owner)
        return path

    def test_a_link_planted_by_another_user_in_a_sticky_shared_folder_is_not_followed(self):
        # Whatever the kernel's fs.protected_symlinks says: the program never lets the
        # kernel follow the link, it follows it itself, so the rule holds with it off.
        # As root the setting can be turned both ways for the test and is put back after;
        # where /proc/sys is read-only only the machine's own setting is tried.
        setting = "/proc/sys/fs/protected_symlinks"
        try:
            machine = read(setting).strip()
        except OSError:
            machine = None
        settings = [machine]
        try:
            with open(setting, "wb") as f:
                f.write(machine)
            settings = [b"1", b"0"]
        except (OSError, TypeError):
            pass
        base = self.dir
        try:
            for value in settings:
                with self.subTest(protected_symlinks=value):
                    if len(settings) > 1:
                        with open(setting, "wb") as f:
                            f.write(value)
                        self.assertEqual(read(setting).strip(), value)
                    self.dir = os.path.join(base, "kernel-%s" % (value or b"unknown").decode())
                    os.mkdir(self.dir)
                    os.chmod(self.dir, 0o755)
                    self.planted_links_are_refused()
        finally:
            self.dir = base
            if len(settings) > 1:
                with open(setting, "wb") as f:
                    f.write(machine)

    def planted_links_are_refused(self):
        sticky = self.shared("tmp", 0o1777)
        theirs = self.shared("theirs", 0o1777, NOBODY)
        open_folder = self.shared("open", 0o777)
        table = b"B\t2\r\nA\t1\r\nTHE\t1\r\n"
        rows = []  # (what, link, target, refused)
        for what, folder, owner, refused in [
            ("another user's link in a sticky folder", sticky, NOBODY, True),
            ("my own link in a sticky folder", sticky, 0, False),
            ("the folder owner's link in their sticky folder", theirs, NOBODY, False),
            ("another user's link in a folder that is not sticky", open_folder, NOBODY, False),
        ]:
            target = self.file(what.replace(" ", "-").replace("'", ""), b"precious")
            rows.append((what, self.link(folder, "report-%d.txt" % len(rows), target, owner), target, refused))
        cron = os.path.join(self.dir, "cron-x")  # a dangling link would create it
        rows.append(("another user's dangling link", self.link(sticky, "cron.txt", cron, NOBODY), cron, True))
        for what, name, owner, refused in [("another user's link to a folder", "theirs-dir", NOBODY, True),
                                           ("my own link to a folder", "my-dir", 0, False)]:
            folder = os.path.join(self.dir, name + "-target")
            os.mkdir(folder)
            target = os.path.join(folder, "report.txt")
            rows.append((what, os.path.join(self.link(sticky, name, folder, owner), "report.txt"), target, refused))
        for what, link, target, refused in rows:
            with self.subTest(what=what):
                code, out, err = count(["--no-common-list", "--output=" + link, self.doc])
                if refused:
                    self.assertEqual((code, err), (1, "vornix-count: Cannot create file %s (Permission denied)\n" % link))
                    if not target.endswith("sticky-folder"):
                        self.assertFalse(os.path.exists(target))
                    else:
                        self.assertEqual(read(target), b"precious")
                else:
                    self.assertEqual((code, err), (0, ""))
                    self.assertEqual(read(target), table)
                self.assertTrue(os.path.islink(link) or os.path.islink(os.path.dirname(link)))
                self.assertEqual(glob.glob(os.path.join(os.path.dirname(link), ".vornix-tmp-*")), [])
        if os.access(PLOT, os.X_OK):
            link = self.link(sticky, "chart.png", self.file("chart.png", b"precious"), NOBODY)
            code, out, err = count(["--no-common-list", "--plot=rank", "--output=" + link, self.doc])
            self.assertEqual(code, 1)
            self.assertIn(link, err)
            self.assertIn("Permission denied", err)
            self.assertEqual(read(os.path.join(self.dir, "chart.png")), b"precious")

    def test_a_replaced_file_keeps_its_owner_group_and_mode(self):
        for mode in (0o640, 0o604, 0o2664):
            with self.subTest(mode=oct(mode)):
                theirs = self.file("theirs.txt", b"old")
                os.chown(theirs, NOBODY, NOBODY)
                os.chmod(theirs, mode)
                code, out, err = count(["--no-common-list", "--output=" + theirs, self.doc])
                self.assertEqual((code, err), (0, ""))
                info = os.stat(theirs)
                self.assertEqual((info.st_uid, info.st_gid, stat.S_IMODE(info.st_mode)), (NOBODY, NOBODY, mode))
                self.assertEqual(read(theirs), b"B\t2\r\nA\t1\r\nTHE\t1\r\n")
        mine = os.path.join(self.dir, "new.txt")
        code, out, err = count(["--no-common-list", "--output=" + mine, self.doc])
        self.assertEqual((os.stat(mine).st_uid, os.stat(mine).st_gid), (0, 0))


class InputReadTwice(Folder):
    """--context and --collocates read their documents again after the count."""

    def test_input_that_cannot_be_read_twice_is_refused_up_front(self):
        fifo = self.fifo()
        rows = [
            ("--context=the", "-", "standard input", "--context"),
            ("--context=the", fifo, fifo, "--context"),
            ("--context=the", "/dev/stdin", "/dev/stdin", "--context"),
            ("--collocates=the", "-", "standard input", "--collocates"),
        ]
        for mode, name, shown, option in rows:
            with self.subTest(mode=mode, name=name):
                # Standard input is a pipe with text waiting in it: never "does not occur".
                p = subprocess.run([COUNT, "--no-common-list", mode, self.doc, name], input=b"the the",
                                   capture_output=True, timeout=WAIT)
                self.assertEqual(p.returncode, 2)
                self.assertEqual(p.stdout, b"")
                self.assertEqual(p.stderr.decode(), "vornix-count: %s cannot be read twice, as %s needs\n" % (shown, option))
        # /dev/stdin that is a regular file can be read again.
        with open(self.doc, "rb") as f:
            p = subprocess.run([COUNT, "--no-common-list", "--context=b", "/dev/stdin"], stdin=f,
                               capture_output=True, timeout=WAIT)
        self.assertEqual((p.returncode, p.stderr), (0, b""))
        self.assertEqual(p.stdout, b"stdin\t1\t\tb\ta b the\nstdin\t1\tb a\tb\tthe\n")


def wait_with_usage(p):
    """Waits for a Popen; (exit code or -signal, peak resident KiB)."""
    _, status, usage = os.wait4(p.pid, 0)
    p.returncode = os.waitstatus_to_exitcode(status)
    return p.returncode, usage.ru_maxrss


def default_signals():
    for s in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGPIPE):
        signal.signal(s, signal.SIG_DFL)


class OutputWhileItIsWritten(Folder):
    def setUp(self):
        super().setUp()
        # 400,000 occurrences: some 38 MB of context lines.
        self.big = self.file("big.txt", b"the quick brown fox jumps over a lazy dog\n" * 400000)

    def start(self, output):
        return subprocess.Popen([COUNT, "--no-common-list", "--context=the", "--output=" + output, self.big],
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, preexec_fn=default_signals)

    def test_a_signal_during_the_output_write_leaves_no_temporary_file(self):
        out_dir = os.path.join(self.dir, "out")
        os.mkdir(out_dir)
        target = self.file("out/lines.txt", b"old")
        for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            with self.subTest(signal=sig.name):
                p = self.start(target)
                deadline = time.monotonic() + WAIT
                while not glob.glob(os.path.join(out_dir, ".vornix-tmp-*")) and p.poll() is None:
                    self.assertLess(time.monotonic(), deadline)
                    time.sleep(0.001)
                p.send_signal(sig)
                code, _ = wait_with_usage(p)
                p.stderr.close()
                self.assertEqual(code, -sig, "the write ended before the signal came")
                self.assertEqual(os.listdir(out_dir), ["lines.txt"])
                self.assertEqual(read(target), b"old")

    def test_context_lines_go_to_the_output_as_they_are_formed(self):
        target = os.path.join(self.dir, "lines.txt")
        p = self.start(target)
        code, peak_kib = wait_with_usage(p)
        err = p.stderr.read()
        p.stderr.close()
        self.assertEqual((code, err), (0, b""))
        size = os.path.getsize(target)
        self.assertGreater(size, 36 << 20)
        with open(target, "rb") as f:
            self.assertEqual(f.readline(), b"big.txt\t1\t\tthe\tquick brown fox jumps over a lazy dog\n")
        # The lines are not held: the count alone takes nearly all the memory. Under
        # AddressSanitizer freed memory is held back on purpose, so peaks say nothing.
        if sanitized():
            return
        p = subprocess.Popen([COUNT, "--no-common-list", self.big], stdout=subprocess.DEVNULL)
        _, count_kib = wait_with_usage(p)
        self.assertLess((peak_kib - count_kib) * 1024, size // 4)


class PlotAnywhere(Folder):
    def setUp(self):
        super().setUp()
        if not os.access(PLOT, os.X_OK):
            self.skipTest("vornix-count-plot is not built (no window program)")

    def test_the_drawing_is_offscreen_and_its_runtime_folder_always_goes(self):
        tmp = os.path.join(self.dir, "tmp")
        os.mkdir(tmp)
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR")}
        env.update(TMPDIR=tmp)
        for platform in ("xcb", "wayland", "no-such-platform", "offscreen"):
            for output, written in (("chart.png", True), ("missing/chart.png", False)):
                with self.subTest(platform=platform, output=output):
                    env["QT_QPA_PLATFORM"] = platform
                    path = os.path.join(self.dir, output)
                    code, out, err = count(["--no-common-list", "--plot=rank", "--output=" + path, self.doc], env=env)
                    self.assertEqual(code, 0 if written else 1, err)
                    if written:
                        self.assertEqual(read(path)[:8], b"\x89PNG\r\n\x1a\n")
                        self.assertEqual(err, "")
                        os.unlink(path)
                    self.assertEqual(os.listdir(tmp), [])


class RecordFolders(Folder):
    """The record file's folder full, or named with extra slashes."""

    def run_on_full_folder(self, env_name, value, full):
        # A tiny file system of its own, filled up, in a mount namespace of the test's.
        script = ('mount -t tmpfs -o size=64k,mode=700 tmpfs "$1" && (head -c 1M /dev/zero > "$1/fill" 2>/dev/null; true) '
                  '&& shift && exec "$@"')
        env = {k: v for k, v in os.environ.items() if k not in ("XDG_RUNTIME_DIR", "TMPDIR")}
        env[env_name] = value
        if env_name == "XDG_RUNTIME_DIR":
            env["TMPDIR"] = self.dir
        return subprocess.run(["unshare", "-m", "sh", "-c", script, "sh", full, COUNT, "--no-common-list", self.doc],
                              env=env, capture_output=True, timeout=WAIT)

    def test_a_full_runtime_folder_falls_back_and_a_full_temporary_folder_is_named(self):
        if os.geteuid() != 0 or not shutil.which("unshare"):
            self.skipTest("needs root and unshare to mount a small file system")
        full = os.path.join(self.dir, "full")
        os.mkdir(full)
        if subprocess.run(["unshare", "-m", "mount", "-t", "tmpfs", "tmpfs", full], capture_output=True).returncode:
            self.skipTest("cannot mount a file system here")
        p = self.run_on_full_folder("XDG_RUNTIME_DIR", full, full)
        self.assertEqual((p.returncode, p.stderr), (0, b""))
        self.assertEqual(p.stdout, b"B\t2\r\nA\t1\r\nTHE\t1\r\n")
        # No runtime folder, and the temporary folder full: the message names the folder
        # (the nameless record file has no name), with no doubled slash.
        p = self.run_on_full_folder("TMPDIR", full + "//", full)
        self.assertEqual(p.returncode, 1)
        self.assertEqual(p.stderr.decode(),
                         "vornix-count: Cannot write the record file in %s (No space left on device)\n" % full)


if __name__ == "__main__":
    unittest.main()

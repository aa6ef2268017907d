#!/usr/bin/python3
"""Counts documents on a Dask cluster with vornix-count and merges the tables.

Usage: vornix-dask.py [options] [VORNIX-COUNT OPTIONS] DOCUMENT|FOLDER...

The documents (a folder stands for every regular file below it; --files-from=FILE
reads one path a line) are dealt into shards of about equal size. Each shard is one
Dask task: a worker runs `vornix-count --no-common-list --show-numbers` on its files
and returns the table; the client sums the tables with `vornix-count --merge`, which
gives exactly the table of one vornix-count run over all the documents with the same
options. The paths must name the same files on every worker (a shared file system,
or a local cluster).

Options of its own:
  --scheduler=ADDRESS   a running Dask scheduler (tcp://host:8786); by default a
                        local cluster of --workers processes is started
  --workers=N           worker processes of the local cluster (default: processors)
  --shards=N            tasks (default: 4 per worker, at most one per document)
  --retries=N           Dask runs a failed task again up to N times (default 2)
  --vornix-count=PATH   the program on the workers and the client (default
                        vornix-count on PATH)
  --files-from=FILE     read document paths from FILE, one a line (- for standard input)
  --quiet               no progress on standard error
Every other option beginning with -- goes to vornix-count: the reading options
(--charset, --encoding, --possessives, --threads; --threads=1 by default, one core
per task) to the shards, and all of them to the merge (--order, --lower, --threshold,
--format, --per-million, --stats, --common-list, --output...). A shard that still fails
after its retries is named with its error; the exit status is then 1 and no table is
written.
"""
import os
import subprocess
import sys
import tempfile

OWN = {"--scheduler", "--workers", "--shards", "--retries", "--vornix-count", "--files-from"}
READING = ("--charset", "--encoding", "--possessives", "--threads")


def fail(message, status=1):
    print("vornix-dask: " + message, file=sys.stderr)
    sys.exit(status)


def parse(argv):
    opts = {"--retries": "2", "--vornix-count": "vornix-count"}
    passed, inputs, quiet, only_inputs = [], [], False, False
    for arg in argv:
        if only_inputs or not arg.startswith("--"):
            inputs.append(arg)
        elif arg == "--":
            only_inputs = True
        elif arg == "--quiet":
            quiet = True
        elif arg in ("-h", "--help"):
            print(__doc__.strip())
            sys.exit(0)
        elif arg.split("=", 1)[0] in OWN:
            if "=" not in arg:
                fail(arg + " needs a value (" + arg + "=VALUE)", 2)
            name, value = arg.split("=", 1)
            opts[name] = value
        else:
            passed.append(arg)
    for name in ("--workers", "--shards", "--retries"):
        if name in opts and not (opts[name].isdigit() and (int(opts[name]) > 0 or name == "--retries")):
            fail("bad value for " + name + ": " + opts[name], 2)
    return opts, passed, inputs, quiet


def documents(inputs, files_from):
    paths = []
    if files_from:
        stream = sys.stdin if files_from == "-" else open(files_from, encoding="utf-8", errors="surrogateescape")
        paths += [line.rstrip("\n") for line in stream if line.strip()]
    for item in inputs:
        if os.path.isdir(item):
            for root, dirs, files in os.walk(item):
                dirs.sort()
                paths += [os.path.join(root, f) for f in sorted(files) if os.path.isfile(os.path.join(root, f))]
        else:
            paths.append(item)
    # The workers may run anywhere: every path is made absolute on the client.
    return [os.path.abspath(p) for p in paths]


def deal(paths, shards):
    """Largest documents first, each to the lightest shard; shards keep the given order."""
    size = {p: (os.path.getsize(p) if os.path.isfile(p) else 0) for p in paths}
    loads = [[0, i, []] for i in range(min(shards, len(paths)))]
    for p in sorted(paths, key=lambda p: -size[p]):
        lightest = min(loads)
        lightest[0] += size[p]
        lightest[2].append(p)
    order = {p: i for i, p in enumerate(paths)}
    return [sorted(files, key=order.get) for _, _, files in sorted(loads, key=lambda load: load[1])]


def count_shard(program, options, files):
    """One task, run on a worker: the shard's table, or an error the client names."""
    p = subprocess.run([program, "--quiet", "--no-common-list", "--show-numbers", *options, "--", *files],
                       capture_output=True)
    if p.returncode != 0:
        raise RuntimeError(p.stderr.decode(errors="replace").strip() or "exit status %d" % p.returncode)
    # A shard that reached the word limit would not sum to one run's table.
    if p.stderr:
        raise RuntimeError(p.stderr.decode(errors="replace").strip())
    return p.stdout


def show(quiet, done, total, last):
    if quiet or (last < 0 and not sys.stderr.isatty()):
        return
    if sys.stderr.isatty():
        print("\rvornix-dask: %d of %d shards counted" % (done, total), end="\n" if done == total else "",
              file=sys.stderr, flush=True)
    else:
        print("vornix-dask: shard %d of %d counted (%d of %d)" % (last + 1, total, done, total), file=sys.stderr)


def main(argv):
    opts, passed, inputs, quiet = parse(argv)
    program = opts["--vornix-count"]
    paths = documents(inputs, opts.get("--files-from"))
    if not paths:
        fail("no DOCUMENT given", 2)
    reading = [o for o in passed if o.startswith(READING)]
    if not any(o.startswith("--threads") for o in reading):
        reading.append("--threads=1")
    merge_options = [o for o in passed if not o.startswith(("--threads", "--output"))]
    # Options the merge refuses are found before the cluster's work, not after it.
    try:
        check = subprocess.run([program, "--quiet", "--merge", *merge_options, "/dev/null"], capture_output=True)
    except OSError as e:
        fail("cannot run %s (%s)" % (program, e.strerror))
    if check.returncode != 0:
        sys.stderr.buffer.write(check.stderr)
        sys.exit(check.returncode)

    from distributed import Client, LocalCluster, as_completed

    cluster = None
    if "--scheduler" in opts:
        client = Client(opts["--scheduler"])
        workers = max(1, len(client.scheduler_info()["workers"]))
    else:
        workers = int(opts.get("--workers", os.cpu_count() or 1))
        cluster = LocalCluster(n_workers=workers, threads_per_worker=1, processes=True, host="127.0.0.1",
                               dashboard_address=None)
        client = Client(cluster)
    try:
        shards = deal(paths, int(opts.get("--shards", 4 * workers)))
        futures = {client.submit(count_shard, program, reading, files, retries=int(opts["--retries"]), pure=False):
                   n for n, files in enumerate(shards)}
        tables, failures = {}, []
        show(quiet, 0, len(shards), -1)
        for future in as_completed(futures):
            n = futures[future]
            try:
                tables[n] = future.result()
            except Exception as e:  # a task's error, or a worker lost too often
                names = ", ".join(os.path.basename(f) for f in shards[n][:3]) + (", ..." if len(shards[n]) > 3 else "")
                failures.append("shard %d of %d (%s) failed: %s" % (n + 1, len(shards), names, e))
            show(quiet, len(tables) + len(failures), len(shards), n)
    finally:
        client.close()
        if cluster:
            cluster.close()
    if failures:
        fail("\n".join(sorted(failures)) + "\nvornix-dask: no table written")
    with tempfile.TemporaryDirectory(prefix="vornix-dask.") as folder:
        names = []
        for n in sorted(tables):
            names.append(os.path.join(folder, "shard%d.txt" % n))
            with open(names[-1], "wb") as f:
                f.write(tables[n])
        output = [o for o in passed if o.startswith("--output")]
        merged = subprocess.run([program, "--quiet", "--merge", *merge_options, *output, "--", *names])
        return merged.returncode


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

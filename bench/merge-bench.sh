#!/bin/sh
# merge-bench.sh [RUNS]
#
# Times vornix-count --merge of 8 shard tables of big-100mb.txt (the text cut into 8
# pieces at line ends, each counted with --no-common-list --show-numbers) against one
# count of the whole text, and checks that the merged table is the one count's byte for
# byte in the three orders. Each command runs once to warm up and then RUNS times
# (default 5); the fastest and the median wall time are reported, with the CPU time
# (user+system) of the fastest run. Goal: the merge under 0.5 s.
#
# With DASK=1 it also times dist/cluster/vornix-dask.py on corpus-all.txt's books
# (TEXT_DIR/english and TEXT_DIR/translated, made by make-big.sh) on a local cluster of
# two worker processes beside one vornix-count process over the same files.
#
# Environment: VORNIX_COUNT (default build/vornix-count of this checkout), TEXT_DIR
# (default /tmp/wf), CORPUS_DIR. Needs GNU time at /usr/bin/time and GNU date.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
RUNS=${1:-${RUNS:-5}}
TEXT_DIR=${TEXT_DIR:-/tmp/wf}
CORPUS_DIR=${CORPUS_DIR:-$repo/../shared/corpus}
case $RUNS in '' | *[!0-9]* | 0) echo "usage: sh merge-bench.sh [RUNS]" >&2; exit 2 ;; esac
vc=${VORNIX_COUNT:-$repo/build/vornix-count}
[ -x "$vc" ] || { echo "build vornix-count first, or set VORNIX_COUNT" >&2; exit 2; }
[ -s "$TEXT_DIR/big-100mb.txt" ] || sh "$CORPUS_DIR/make-big.sh" "$TEXT_DIR" > /dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/vornix-merge.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

# time_cmd NAME CMD...: RUNS timed runs after a warm-up; prints NAME, fastest, median, CPU.
time_cmd() {
    name=$1; shift
    "$@" > /dev/null
    : > "$work/times"
    i=0
    while [ $i -lt "$RUNS" ]; do
        s=$(date +%s%N)
        /usr/bin/time -f '%U %S' -o "$work/cpu" "$@" > /dev/null
        e=$(date +%s%N)
        echo "$(( (e - s) / 1000000 )) $(awk '{print $1 + $2}' "$work/cpu")" >> "$work/times"
        i=$((i + 1))
    done
    sort -n "$work/times" | awk -v name="$name" '{ w[NR] = $1; c[NR] = $2 }
        END { printf "%-44s fastest %.3f s  median %.3f s  CPU %.2f s\n", name, w[1] / 1000,
              w[int((NR + 1) / 2)] / 1000, c[1] }'
    sort -n "$work/times" | head -1 | cut -d' ' -f1 > "$work/fastest"
}

split -n l/8 "$TEXT_DIR/big-100mb.txt" "$work/piece."
n=0
for p in "$work"/piece.*; do
    "$vc" --quiet --no-common-list --show-numbers --output="$work/shard$n.tsv" "$p"
    n=$((n + 1))
done
echo "8 shard tables: $(cat "$work"/shard*.tsv | wc -l) rows, $(cat "$work"/shard*.tsv | wc -c) bytes"
for order in frequency alphabetical length; do
    "$vc" --quiet --no-common-list --show-numbers --order=$order "$TEXT_DIR/big-100mb.txt" > "$work/one"
    "$vc" --quiet --merge --no-common-list --show-numbers --order=$order "$work"/shard*.tsv > "$work/merged"
    cmp -s "$work/one" "$work/merged" || { echo "FAIL: the merged $order table differs from one count's"; exit 1; }
done
echo "merged tables equal one count's in the three orders"

time_cmd "count big-100mb.txt" "$vc" --quiet --no-common-list --show-numbers "$TEXT_DIR/big-100mb.txt"
time_cmd "merge 8 shard tables of big-100mb.txt" "$vc" --quiet --merge --no-common-list --show-numbers \
    "$work"/shard0.tsv "$work"/shard1.tsv "$work"/shard2.tsv "$work"/shard3.tsv "$work"/shard4.tsv \
    "$work"/shard5.tsv "$work"/shard6.tsv "$work"/shard7.tsv
fastest=$(cat "$work/fastest")
status=0
if [ "$fastest" -lt 500 ]; then echo "PASS: merge ${fastest} ms < 500 ms"; else echo "FAIL: merge ${fastest} ms"; status=1; fi

if [ "${DASK:-0}" = 1 ]; then
    books=$(find "$TEXT_DIR/english" "$TEXT_DIR/translated" -type f | sort)
    time_cmd "one vornix-count process, the books" "$vc" --quiet --no-common-list --show-numbers $books
    time_cmd "vornix-dask.py, 2 local workers, 8 shards" /usr/bin/python3 "$repo/dist/cluster/vornix-dask.py" --quiet \
        --workers=2 --shards=8 --vornix-count="$vc" --no-common-list --show-numbers -- $books
    "$vc" --quiet --no-common-list --show-numbers $books > "$work/one"
    /usr/bin/python3 "$repo/dist/cluster/vornix-dask.py" --quiet --workers=2 --shards=8 --vornix-count="$vc" \
        --no-common-list --show-numbers -- $books > "$work/dask"
    cmp -s "$work/one" "$work/dask" && echo "the Dask table equals one count's" || { echo "FAIL: the Dask table differs"; status=1; }
fi
exit $status

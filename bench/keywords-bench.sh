#!/bin/sh
# Times vornix-count --keywords: against reference documents, as a share of the time
# of counting the text and the reference apart, and against a 500,000-row reference
# table, whose reading is the difference from the same keywords with no table to read.
# Not part of the test run: timings belong here.
#
#   sh bench/keywords-bench.sh            # 5 counted runs each, after one warm-up
#   RUNS=9 VORNIX_COUNT=build/vornix-count sh bench/keywords-bench.sh
#
# TEXT_DIR (default /tmp/wf) holds the texts made by the corpus' make-big.sh, which is
# run when they are missing; CORPUS_DIR defaults to ../shared/corpus beside the checkout.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
RUNS=${1:-${RUNS:-5}}
TEXT_DIR=${TEXT_DIR:-/tmp/wf}
CORPUS_DIR=${CORPUS_DIR:-$root/../shared/corpus}
COUNT=${VORNIX_COUNT:-$root/build/vornix-count}
[ -x "$COUNT" ] || { echo "no vornix-count at $COUNT (build it or set VORNIX_COUNT)" >&2; exit 1; }
if [ ! -f "$TEXT_DIR/big-100mb.txt" ] || [ ! -f "$TEXT_DIR/corpus-all.txt" ]; then
    sh "$CORPUS_DIR/make-big.sh" "$TEXT_DIR" >/dev/null
fi
big=$TEXT_DIR/big-100mb.txt
all=$TEXT_DIR/corpus-all.txt
table=$TEXT_DIR/reference-500k.tsv
small=$TEXT_DIR/keywords-small.txt
# 500,000 distinct words with counts falling off as 1/rank, one "word TAB count" a
# line: the shape of a published frequency list.
if [ ! -f "$table" ]; then
    awk 'BEGIN {
        for (i = 0; i < 500000; i++) {
            w = ""; n = i
            do { w = w sprintf("%c", 97 + n % 26); n = int(n / 26) } while (n > 0)
            printf "%s\t%d\n", "q" w, int(50000000 / (i + 1)) + 1
        }
    }' > "$table"
fi
head -c 20000 "$all" > "$small"

# Median wall time in seconds of a command, run once to warm up and then RUNS times.
median() {
    "$@" > /dev/null
    i=0
    while [ $i -lt "$RUNS" ]; do
        s=$(date +%s%N)
        "$@" > /dev/null
        e=$(date +%s%N)
        echo $(( (e - s) / 1000 ))
        i=$((i + 1))
    done | sort -n | awk '{ v[NR] = $1 } END { printf "%.3f", v[int((NR + 1) / 2)] / 1e6 }'
}

opts="--no-common-list --quiet"
t_big=$(median "$COUNT" $opts "$big")
t_all=$(median "$COUNT" $opts "$all")
t_kw=$(median "$COUNT" $opts --keywords --reference="$all" "$big")
t_small=$(median "$COUNT" $opts --keywords --reference="$small" "$small")
t_table=$(median "$COUNT" $opts --keywords --reference-table="$table" --reference="$small" "$small")
rows=$(wc -l < "$table")

echo "count big-100mb.txt                     $t_big s"
echo "count corpus-all.txt                    $t_all s"
echo "keywords big-100mb against corpus-all   $t_kw s"
echo "keywords of a small text, small reference $t_small s"
echo "the same with a $rows-row table too   $t_table s"
fail=0
ratio=$(awk -v k="$t_kw" -v a="$t_big" -v b="$t_all" 'BEGIN { printf "%.3f", k / (a + b) }')
if awk -v r="$ratio" 'BEGIN { exit !(r <= 1.2) }'; then echo "PASS keywords / (count text + count reference) = $ratio <= 1.2"; else echo "FAIL keywords / (count text + count reference) = $ratio > 1.2"; fail=1; fi
read=$(awk -v t="$t_table" -v s="$t_small" 'BEGIN { printf "%.3f", t - s }')
if awk -v r="$read" 'BEGIN { exit !(r < 0.5) }'; then echo "PASS reading the table: $read s < 0.5 s"; else echo "FAIL reading the table: $read s >= 0.5 s"; fail=1; fi
exit $fail

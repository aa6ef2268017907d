#!/bin/sh
# dispersion-bench.sh [RUNS]
#
# Times vornix-count --dispersion against the plain count: the 29 books of the corpus
# given as 29 documents, and big-100mb.txt cut into 100 equal parts (--parts=100). Each
# command runs once to warm up and then RUNS times (default 5), the commands taken in
# turn; it reports the fastest wall time of each, the user+system CPU time of that run,
# the largest peak resident memory of all runs and the median wall time, the ratios of
# the medians (and of the fastest runs), and PASS/FAIL of the medians against the goals
# (1.3x and 1.5x).
#
# Environment: VORNIX_COUNT (a built vornix-count; else build-core/ or build/ of this
# checkout), TEXT_DIR (default /tmp/wf), CORPUS_DIR as for run-bench.sh.
# Needs GNU time at /usr/bin/time, GNU date and bc.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
RUNS=${1:-${RUNS:-5}}
TEXT_DIR=${TEXT_DIR:-/tmp/wf}
CORPUS_DIR=${CORPUS_DIR:-$repo/../shared/corpus}
case $RUNS in '' | *[!0-9]* | 0) echo "usage: sh dispersion-bench.sh [RUNS]" >&2; exit 2 ;; esac

vc=${VORNIX_COUNT:-}
[ -n "$vc" ] || for c in "$repo/build-core/vornix-count" "$repo/build/vornix-count"; do
    [ -x "$c" ] && { vc=$c; break; }
done
[ -x "${vc:-}" ] || { echo "build vornix-count first, or set VORNIX_COUNT" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/vornix-dispersion.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

[ -s "$TEXT_DIR/big-100mb.txt" ] && [ -d "$TEXT_DIR/english" ] || sh "$CORPUS_DIR/make-big.sh" "$TEXT_DIR" > /dev/null
big=$TEXT_DIR/big-100mb.txt
# The 29 books in the order corpus-all.txt holds them.
set -- "$TEXT_DIR/shakespeare-complete-works.txt" "$TEXT_DIR/kjv-bible.txt" "$TEXT_DIR"/english/*.txt \
    "$TEXT_DIR"/translated/*.txt
[ $# -eq 29 ] || { echo "expected 29 books in $TEXT_DIR, found $#" >&2; exit 2; }
books="$*"
common="--no-common-list --show-numbers --quiet"

# run NAME COMMAND...: appends "wall_us peak_kib cpu_s" to $work/NAME
run() {
    name=$1
    shift
    start=$(date +%s%N)
    /usr/bin/time -f '%M %U %S' -o "$work/one" "$@" > /dev/null 2>&1 || { echo "$name failed" >&2; exit 1; }
    end=$(date +%s%N)
    set -- $(tail -n 1 "$work/one")
    echo "$(( (end - start) / 1000 )) $1 $(echo "$2 + $3" | bc)" >> "$work/$name"
}
best() {  # best NAME: "wall_s cpu_s peak_mib" of the fastest run, peak the largest seen
    sort -n "$work/$1" | head -n 1 | awk -v peak="$(sort -k2 -n "$work/$1" | tail -n 1 | cut -d' ' -f2)" \
        '{ printf "%.3f %.2f %.1f", $1 / 1e6, $3, peak / 1024 }'
}

median() {  # median NAME: the median wall time in seconds
    sort -n "$work/$1" | awk '{ w[NR] = $1 } END { printf "%.3f", (NR % 2 ? w[(NR + 1) / 2] : (w[NR / 2] + w[NR / 2 + 1]) / 2) / 1e6 }'
}

round() {
    # shellcheck disable=SC2086
    run books_plain "$vc" $common $books
    # shellcheck disable=SC2086
    run books_dispersion "$vc" $common --dispersion $books
    # shellcheck disable=SC2086
    run books_per_file "$vc" $common --dispersion --per-file $books
    # shellcheck disable=SC2086
    run big_plain "$vc" $common "$big"
    # shellcheck disable=SC2086
    run big_parts "$vc" $common --dispersion --parts=100 "$big"
}
round
rm -f "$work"/books_* "$work"/big_*
i=0
while [ $i -lt "$RUNS" ]; do
    round
    i=$((i + 1))
done

echo "vornix-count: $vc; $RUNS runs; load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo "command | fastest wall s | cpu s | peak MiB | median wall s"
for n in books_plain books_dispersion books_per_file big_plain big_parts; do echo "$n | $(best $n | tr ' ' '|') | $(median $n)"; done
fastest() { echo "$(best "$1" | cut -d' ' -f1) $(best "$2" | cut -d' ' -f1)" | awk '{ printf "%.2f", $2 / $1 }'; }
ratio() { echo "$(median "$1") $(median "$2")" | awk '{ printf "%.2f", $2 / $1 }'; }
echo "fastest runs: 29 books $(fastest books_plain books_dispersion)x, big-100mb $(fastest big_plain big_parts)x"
judge() { echo "$1 $2" | awk '{ print ($1 <= $2) ? "PASS" : "FAIL" }'; }
r1=$(ratio books_plain books_dispersion)
r2=$(ratio big_plain big_parts)
echo "29 books as 29 documents, --dispersion / plain (medians): ${r1}x (goal <= 1.3x): $(judge "$r1" 1.3)"
echo "big-100mb --dispersion --parts=100 / plain (medians): ${r2}x (goal <= 1.5x): $(judge "$r2" 1.5)"
[ "$(judge "$r1" 1.3)" = PASS ] && [ "$(judge "$r2" 1.5)" = PASS ]

#!/bin/sh
# ngrams-bench.sh [RUNS]
#
# Times vornix-count on big-100mb.txt as the n-gram and collocate goals are judged: the
# plain count, --ngrams=2, --ngrams=5 and --collocates=the, every one with
# --no-common-list and its output written to a file. Each command runs once to warm up
# and then RUNS times (default 5), the commands taken in turn, so that a noisy spell of
# the shared machine falls on all of them alike. It reports the median wall time, the
# median user+system CPU time and the largest peak resident memory of each, the ratios to
# the plain count's median, and PASS/FAIL against the goals: --ngrams=2 at most 3x the
# plain count, its peak at most the plain count's + (16 + 4 * 2) bytes per distinct
# 2-gram shown, collocates of THE under 1.5 s (the median of --collocates=the less the
# plain count's: the search that reads the text again, and its table).
#
# Environment: VORNIX_COUNT (a built vornix-count; else build-core/ or build/ of this
# checkout), TEXT_DIR (default /tmp/wf). Needs GNU time at /usr/bin/time and GNU date.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
RUNS=${1:-${RUNS:-5}}
TEXT_DIR=${TEXT_DIR:-/tmp/wf}
case $RUNS in '' | *[!0-9]* | 0) echo "usage: sh ngrams-bench.sh [RUNS]" >&2; exit 2 ;; esac

vc=${VORNIX_COUNT:-}
[ -n "$vc" ] || for c in "$repo/build-core/vornix-count" "$repo/build/vornix-count"; do
    [ -x "$c" ] && { vc=$c; break; }
done
[ -x "${vc:-}" ] || { echo "build vornix-count first, or set VORNIX_COUNT" >&2; exit 2; }
big=$TEXT_DIR/big-100mb.txt
[ -s "$big" ] || { echo "no $big: make it with the corpus' make-big.sh" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/vornix-ngrams.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

# run NAME OPTIONS...: appends "wall_us peak_kib cpu_s" to $work/NAME
run() {
    name=$1
    shift
    start=$(date +%s%N)
    /usr/bin/time -f '%M %U %S' -o "$work/one" "$vc" --quiet --no-common-list --output="$work/out.$name" "$@" "$big" \
        2> /dev/null || { echo "$name failed" >&2; exit 1; }
    end=$(date +%s%N)
    set -- $(tail -n 1 "$work/one")
    echo "$(( (end - start) / 1000 )) $1 $(echo "$2 $3" | awk '{ print $1 + $2 }')" >> "$work/$name"
}
round() {
    run plain
    run ngrams2 --ngrams=2
    run ngrams5 --ngrams=5
    run collocates --collocates=the
}
median() {  # median NAME COLUMN: of the runs, in the column's unit
    cut -d' ' -f"$2" "$work/$1" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}
peak() { cut -d' ' -f2 "$work/$1" | sort -n | tail -n 1; }

round
rm -f "$work"/plain "$work"/ngrams2 "$work"/ngrams5 "$work"/collocates
i=0
while [ $i -lt "$RUNS" ]; do
    round
    i=$((i + 1))
done

distinct=$(($(wc -l < "$work/out.ngrams2")))
echo "vornix-count: $vc; $RUNS runs; load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo "command | median wall s | x plain | median cpu s | peak MiB"
p=$(median plain 1)
for n in plain ngrams2 ngrams5 collocates; do
    echo "$n $(median $n 1) $p $(median $n 3) $(peak $n)" |
        awk '{ printf "%s | %.3f | %.2f | %.2f | %.1f\n", $1, $2 / 1e6, $2 / $3, $4, $5 / 1024 }'
done
r=$(echo "$(median ngrams2 1) $p" | awk '{ printf "%.2f", $1 / $2 }')
extra=$(( ($(peak ngrams2) - $(peak plain)) * 1024 ))
budget=$(( distinct * (16 + 4 * 2) ))
c=$(echo "$(median collocates 1) $p" | awk '{ printf "%.3f", ($1 - $2) / 1e6 }')
judge() { echo "$1 $2" | awk '{ print ($1 <= $2) ? "PASS" : "FAIL" }'; }
echo "--ngrams=2 / plain: ${r}x (goal <= 3x): $(judge "$r" 3)"
echo "--ngrams=2 peak beyond the plain count's: $((extra / 1024)) KiB for $distinct 2-grams shown," \
    "$(echo "$extra $distinct" | awk '{ printf "%.1f", $1 / $2 }') bytes each (budget $((budget / 1024)) KiB):" \
    "$(judge "$extra" "$budget")"
echo "--collocates=the beyond the count: ${c} s (goal < 1.5 s): $(judge "$c" 1.5)"
[ "$(judge "$r" 3)" = PASS ] && [ "$(judge "$extra" "$budget")" = PASS ] && [ "$(judge "$c" 1.5)" = PASS ]

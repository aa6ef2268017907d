#!/bin/sh
# context-bench.sh [RUNS]
#
# Times `vornix-count --context=THE big-100mb.txt > /dev/null` end to end (the count, the
# search that reads the text again, and 950,337 lines formed and written) beside the
# plain count, with default threads and with --threads=1. Each command runs once to warm
# up and then RUNS times (default 5), taken in turn so that a noisy spell of the shared
# machine falls on all alike. Reports median wall and user+system CPU seconds and
# PASS/FAIL against the goal: --context=THE under 1.5 s.
#
# Environment: VORNIX_COUNT (a built vornix-count; else build-core/ or build/ of this
# checkout), TEXT_DIR (default /tmp/wf). Needs GNU time at /usr/bin/time and GNU date.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
RUNS=${1:-${RUNS:-5}}
TEXT_DIR=${TEXT_DIR:-/tmp/wf}
case $RUNS in '' | *[!0-9]* | 0) echo "usage: sh context-bench.sh [RUNS]" >&2; exit 2 ;; esac
vc=${VORNIX_COUNT:-}
[ -n "$vc" ] || for c in "$repo/build-core/vornix-count" "$repo/build/vornix-count"; do
    [ -x "$c" ] && { vc=$c; break; }
done
[ -x "${vc:-}" ] || { echo "build vornix-count first, or set VORNIX_COUNT" >&2; exit 2; }
big=$TEXT_DIR/big-100mb.txt
[ -s "$big" ] || { echo "no $big: make it with the corpus' make-big.sh" >&2; exit 2; }
work=$(mktemp -d "${TMPDIR:-/tmp}/vornix-context.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

run() {  # run NAME OPTIONS...: appends "wall_us cpu_s" to $work/NAME
    name=$1
    shift
    start=$(date +%s%N)
    /usr/bin/time -f '%U %S' -o "$work/one" "$vc" --quiet --no-common-list "$@" "$big" > /dev/null 2> /dev/null ||
        { echo "$name failed" >&2; exit 1; }
    end=$(date +%s%N)
    echo "$(( (end - start) / 1000 )) $(tail -n 1 "$work/one" | awk '{ print $1 + $2 }')" >> "$work/$name"
}
round() {
    run plain
    run context --context=THE
    run context1 --context=THE --threads=1
}
median() {  # median NAME COLUMN
    cut -d' ' -f"$2" "$work/$1" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}

round
rm -f "$work/plain" "$work/context" "$work/context1"
i=0
while [ $i -lt "$RUNS" ]; do
    round
    i=$((i + 1))
done
echo "vornix-count: $vc; $RUNS runs; load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo "command | median wall s | median cpu s"
for n in plain context context1; do
    echo "$n $(median $n 1) $(median $n 2)" | awk '{ printf "%s | %.3f | %.2f\n", $1, $2 / 1e6, $3 }'
done
w=$(median context 1)
verdict=$(echo "$w" | awk '{ print ($1 < 1.5e6) ? "PASS" : "FAIL" }')
echo "--context=THE: $(echo "$w" | awk '{ printf "%.3f", $1 / 1e6 }') s (goal < 1.5 s): $verdict"
[ "$verdict" = PASS ]

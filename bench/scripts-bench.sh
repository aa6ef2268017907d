#!/bin/sh
# scripts-bench.sh [RUNS]
#
# Times vornix-count with words of every script (--scripts=all) against the choice off
# (--scripts=latin) on the UTF-8 form of big-100mb.txt, on one thread
# (--no-common-list --quiet --threads=1), and on a second text if RU_TEXT names one
# (the Russian manual pages of bench/README.md). The commands are taken in turn, each
# once to warm up and then RUNS times (default 5); prints the median and fastest wall
# times, the user CPU of the median run, the ratio on/off of the medians and PASS/FAIL
# of the UTF-8 text's ratio against the goal (1.3x), with the load average before and
# after. Given an older binary as BASE, its outputs must be byte for byte the same.
#
# Environment: VORNIX_COUNT (default build-core/vornix-count, else build/vornix-count),
# BASE (optional), TEXT_DIR (default /tmp/wf, holding big-utf8.txt or big-100mb.txt),
# RU_TEXT (optional). Needs GNU time at /usr/bin/time, GNU date and iconv.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
RUNS=${1:-${RUNS:-5}}
TEXT_DIR=${TEXT_DIR:-/tmp/wf}
case $RUNS in '' | *[!0-9]* | 0) echo "usage: sh scripts-bench.sh [RUNS]" >&2; exit 2 ;; esac
vc=${VORNIX_COUNT:-}
[ -n "$vc" ] || for c in "$repo/build-core/vornix-count" "$repo/build/vornix-count"; do
    [ -x "$c" ] && { vc=$c; break; }
done
[ -x "${vc:-}" ] || { echo "build vornix-count first, or set VORNIX_COUNT" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/vornix-scripts.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

utf8=$TEXT_DIR/big-utf8.txt
if [ ! -s "$utf8" ]; then
    [ -s "$TEXT_DIR/big-100mb.txt" ] || { echo "no $TEXT_DIR/big-100mb.txt (run run-bench.sh)" >&2; exit 2; }
    utf8=$work/big-utf8.txt
    iconv -f WINDOWS-1252 -t UTF-8 "$TEXT_DIR/big-100mb.txt" > "$utf8"
fi
texts="utf8"
[ -n "${RU_TEXT:-}" ] && texts="$texts ru"
path() { if [ "$1" = utf8 ]; then echo "$utf8"; else echo "$RU_TEXT"; fi; }
common="--no-common-list --quiet --threads=1"

# run NAME BINARY SCRIPTS TEXT: appends "wall_us user_s" to $work/NAME
run() {
    start=$(date +%s%N)
    /usr/bin/time -f '%U' -o "$work/one" "$2" $common --scripts="$3" "$4" > "$work/out.$1" 2> /dev/null ||
        { echo "$1 failed" >&2; exit 1; }
    end=$(date +%s%N)
    echo "$(( (end - start) / 1000 )) $(tail -n 1 "$work/one")" >> "$work/$1"
}
median() {  # median NAME: "wall_s user_s" of the median run (RUNS odd; else the lower)
    sort -n "$work/$1" | awk '{ w[NR] = $1; u[NR] = $2 } END { m = int((NR + 1) / 2); printf "%.2f %.2f", w[m] / 1e6, u[m] }'
}
fastest() { sort -n "$work/$1" | head -n 1 | awk '{ printf "%.2f", $1 / 1e6 }'; }

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
for t in $texts; do
    for s in latin all; do
        run "warm.$t.$s" "$vc" "$s" "$(path "$t")"
        if [ -n "${BASE:-}" ]; then
            run "base.$t.$s" "$BASE" "$s" "$(path "$t")"
            cmp -s "$work/out.warm.$t.$s" "$work/out.base.$t.$s" ||
                { echo "FAIL: output of --scripts=$s on $t differs from BASE" >&2; exit 1; }
        fi
    done
done
i=0
while [ $i -lt "$RUNS" ]; do
    for t in $texts; do
        for s in latin all; do run "$t.$s" "$vc" "$s" "$(path "$t")"; done
    done
    i=$((i + 1))
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"

status=0
printf '%-6s %-28s %-28s %s\n' text "off: median s (user s), best" "on: median s (user s), best" "on/off (medians)"
for t in $texts; do
    set -- $(median "$t.latin") $(median "$t.all")
    ratio=$(awk -v a="$1" -v b="$3" 'BEGIN { printf "%.2f", b / a }')
    printf '%-6s %-28s %-28s %sx\n' "$t" "$1 ($2), $(fastest "$t.latin")" "$3 ($4), $(fastest "$t.all")" "$ratio"
    if [ "$t" = utf8 ]; then
        if awk -v r="$ratio" 'BEGIN { exit !(r <= 1.3) }'; then echo "PASS: at most 1.3x"; else
            echo "FAIL: above 1.3x"
            status=1
        fi
    fi
done
exit $status

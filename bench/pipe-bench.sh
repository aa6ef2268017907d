#!/bin/sh
# pipe-bench.sh [RUNS]
#
# Times `cat FILE | vornix-count -` against `vornix-count FILE` with default threads
# (--no-common-list --quiet) for big-100mb.txt and its UTF-8 form big-utf8.txt, and the
# UTF-8 file against the Windows-set file. The commands are taken in turn, each once to
# warm up and then RUNS times (default 5); prints the median wall time of each, the
# ratios and PASS/FAIL against the goals (a pipe at most 1.2x its file; UTF-8 at most
# 1.15x the Windows-set file), with the load average before and after. Every pipe's
# table must be byte for byte that of --threads=1 on the file.
#
# Environment: VORNIX_COUNT (default build-core/vornix-count, else build/vornix-count),
# TEXT_DIR (default /tmp/wf, holding big-100mb.txt; big-utf8.txt is made from it when
# missing). Needs GNU date and iconv.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
RUNS=${1:-${RUNS:-5}}
TEXT_DIR=${TEXT_DIR:-/tmp/wf}
case $RUNS in '' | *[!0-9]* | 0) echo "usage: sh pipe-bench.sh [RUNS]" >&2; exit 2 ;; esac
vc=${VORNIX_COUNT:-}
[ -n "$vc" ] || for c in "$repo/build-core/vornix-count" "$repo/build/vornix-count"; do
    [ -x "$c" ] && { vc=$c; break; }
done
[ -x "${vc:-}" ] || { echo "build vornix-count first, or set VORNIX_COUNT" >&2; exit 2; }
[ -s "$TEXT_DIR/big-100mb.txt" ] || { echo "no $TEXT_DIR/big-100mb.txt (run run-bench.sh)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/vornix-pipe.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
w1252=$TEXT_DIR/big-100mb.txt
utf8=$TEXT_DIR/big-utf8.txt
if [ ! -s "$utf8" ]; then
    utf8=$work/big-utf8.txt
    iconv -f WINDOWS-1252 -t UTF-8 "$w1252" > "$utf8"
fi
path() { if [ "$1" = w1252 ]; then echo "$w1252"; else echo "$utf8"; fi; }
common="--no-common-list --quiet"

# run NAME TEXT HOW: appends the wall time in microseconds to $work/NAME
run() {
    start=$(date +%s%N)
    if [ "$3" = pipe ]; then
        cat "$2" | "$vc" $common - > "$work/out.$1"
    else
        "$vc" $common "$2" > "$work/out.$1"
    fi
    end=$(date +%s%N)
    echo "$(( (end - start) / 1000 ))" >> "$work/$1"
}
median() { sort -n "$work/$1" | awk '{ w[NR] = $1 } END { printf "%.3f", w[int((NR + 1) / 2)] / 1e6 }'; }

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
for t in w1252 utf8; do
    "$vc" $common --threads=1 "$(path "$t")" > "$work/ref.$t"
    for how in file pipe; do
        run "warm.$t.$how" "$(path "$t")" "$how"
        cmp -s "$work/out.warm.$t.$how" "$work/ref.$t" ||
            { echo "FAIL: the $how of $t differs from --threads=1" >&2; exit 1; }
    done
done
i=0
while [ $i -lt "$RUNS" ]; do
    for t in w1252 utf8; do
        for how in file pipe; do run "$t.$how" "$(path "$t")" "$how"; done
    done
    i=$((i + 1))
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"

status=0
verdict() {  # verdict RATIO GOAL WHAT
    if awk -v r="$1" -v g="$2" 'BEGIN { exit !(r <= g) }'; then echo "PASS: $3 ${1}x (at most ${2}x)"; else
        echo "FAIL: $3 ${1}x (above ${2}x)"
        status=1
    fi
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b / a }'; }
printf '%-14s %-12s %-12s %s\n' text "file s" "pipe s" "pipe/file"
for t in w1252 utf8; do
    f=$(median "$t.file")
    p=$(median "$t.pipe")
    printf '%-14s %-12s %-12s %sx\n' "$(basename "$(path "$t")")" "$f" "$p" "$(ratio "$f" "$p")"
    verdict "$(ratio "$f" "$p")" 1.2 "the pipe of $t against its file:"
done
verdict "$(ratio "$(median w1252.file)" "$(median utf8.file)")" 1.15 "the UTF-8 file against the Windows-set file:"
exit $status

#!/bin/sh
# unicode-bench.sh [RUNS]
#
# Times vornix-count on big-100mb.txt (Windows-1252 with high bytes, not valid UTF-8),
# on its UTF-8 form (iconv -f WINDOWS-1252 -t UTF-8) and on its pure ASCII form (high
# bytes removed), the commands taken in turn in each round; prints the median wall
# times (the fastest of RUNS) and checks the goals:
#   - the UTF-8 form takes at most 1.3x the time of the Windows-1252 text;
#   - given an older vornix-count as BASE, the Windows-1252 and ASCII texts take at most
#     1.05x its time.
# Also checks that the UTF-8 form gives byte-identical output to the original.
#
# Environment: VORNIX_COUNT (the binary to time; default build-core/vornix-count, else
# build/vornix-count), BASE (an older binary; optional), TEXT_DIR (default /tmp/wf,
# where run-bench.sh's texts are), CORPUS_DIR (for make-big.sh when the text is missing).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
RUNS=${1:-${RUNS:-5}}
TEXT_DIR=${TEXT_DIR:-/tmp/wf}
CORPUS_DIR=${CORPUS_DIR:-$repo/../shared/corpus}
vc=${VORNIX_COUNT:-}
if [ -z "$vc" ]; then
    for c in "$repo/build-core/vornix-count" "$repo/build/vornix-count"; do
        [ -x "$c" ] && { vc=$c; break; }
    done
fi
[ -n "$vc" ] && [ -x "$vc" ] || { echo "no vornix-count: build one or set VORNIX_COUNT" >&2; exit 2; }
BASE=${BASE:-}

big=$TEXT_DIR/big-100mb.txt
[ -s "$big" ] || sh "$CORPUS_DIR/make-big.sh" "$TEXT_DIR" > /dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/vornix-ubench.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
iconv -f WINDOWS-1252 -t UTF-8 "$big" > "$work/big-utf8.txt"
LC_ALL=C tr -d '\200-\377' < "$big" > "$work/big-ascii.txt"

"$vc" --no-common-list --show-numbers "$big" > "$work/a.out"
"$vc" --no-common-list --show-numbers "$work/big-utf8.txt" > "$work/b.out"
if cmp -s "$work/a.out" "$work/b.out"; then same=PASS; else same=FAIL; fi

runs="new:$big new:$work/big-utf8.txt new:$work/big-ascii.txt"
[ -n "$BASE" ] && runs="$runs base:$big base:$work/big-ascii.txt"
key() { echo "$1" | tr -c 'a-z0-9\n' '_'; }
time_one() {  # time_one new|base FILE
    bin=$vc
    [ "$1" = base ] && bin=$BASE
    start=$(date +%s%N)
    "$bin" --no-common-list --show-numbers "$2" > /dev/null
    end=$(date +%s%N)
    echo $(( (end - start) / 1000 )) >> "$work/t.$(key "$1$(basename "$2")")"
}
for r in $runs; do time_one "${r%%:*}" "${r#*:}"; done  # warm-up
i=0
while [ "$i" -lt "$RUNS" ]; do
    for r in $runs; do time_one "${r%%:*}" "${r#*:}"; done
    i=$((i + 1))
done
# The fastest run: the ratios sought are a few per cent, and on a shared machine the
# other runs mostly measure the neighbours.
median() { sort -n "$1" | head -n 1; }
w8=$(median "$work/t.$(key newbig-100mb.txt)")
wu=$(median "$work/t.$(key newbig-utf8.txt)")
wa=$(median "$work/t.$(key newbig-ascii.txt)")
echo "vornix-count: $vc; $RUNS runs each, fastest"
printf '  %-34s %8.3f s\n' "big-100mb.txt (Windows-1252)" "$(echo "$w8" | awk '{ print $1 / 1e6 }')"
printf '  %-34s %8.3f s  %.2fx\n' "big-utf8.txt (UTF-8 form)" "$(echo "$wu" | awk '{ print $1 / 1e6 }')" \
    "$(awk -v a="$wu" -v b="$w8" 'BEGIN { print a / b }')"
printf '  %-34s %8.3f s\n' "big-ascii.txt (ASCII form)" "$(echo "$wa" | awk '{ print $1 / 1e6 }')"
fails=0
goal() {
    if awk "BEGIN { exit !($2) }"; then r=PASS; else r=FAIL; fails=$((fails + 1)); fi
    echo "$r  $1"
}
goal "UTF-8 form at most 1.3x the Windows-1252 time" "$wu <= 1.3 * $w8"
if [ -n "$BASE" ]; then
    b8=$(median "$work/t.$(key basebig-100mb.txt)")
    ba=$(median "$work/t.$(key basebig-ascii.txt)")
    printf '  %-34s %8.3f s / %8.3f s (Windows-1252 / ASCII)\n' "BASE $BASE" \
        "$(echo "$b8" | awk '{ print $1 / 1e6 }')" "$(echo "$ba" | awk '{ print $1 / 1e6 }')"
    goal "Windows-1252 text at most 1.05x BASE ($(awk -v a="$w8" -v b="$b8" 'BEGIN { printf "%.3f", a / b }')x)" "$w8 <= 1.05 * $b8"
    goal "ASCII text at most 1.05x BASE ($(awk -v a="$wa" -v b="$ba" 'BEGIN { printf "%.3f", a / b }')x)" "$wa <= 1.05 * $ba"
fi
[ $same = FAIL ] && fails=$((fails + 1))
echo "$same  UTF-8 form gives the original's output byte for byte"
[ "$fails" -eq 0 ]

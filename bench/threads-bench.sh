#!/bin/sh
# threads-bench.sh [RUNS]
#
# Times vornix-count on one thread and on several against `wc -w` and the unordered_map
# peer, in one run: big-100mb.txt, many-distinct-300k.txt with 1, 2 and 4 threads, and a
# 1 GB text (ten copies of big-100mb.txt) for linearity and peak memory. Each command
# runs once to warm up and then RUNS times (default 5), the commands taken in turn; the
# FASTEST wall time is reported (the machine is shared, and noise only ever adds time),
# with its user+system CPU time and the largest peak resident memory of all runs. It
# also checks that every thread count prints the same table.
#
# Environment: VORNIX_COUNT (a built vornix-count; else build-core/ or build/ of this
# checkout), TEXT_DIR (default /tmp/wf), CORPUS_DIR, PEERS_DIR as for run-bench.sh.
# Needs GNU time at /usr/bin/time and GNU date.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
RUNS=${1:-${RUNS:-5}}
TEXT_DIR=${TEXT_DIR:-/tmp/wf}
CORPUS_DIR=${CORPUS_DIR:-$repo/../shared/corpus}
PEERS_DIR=${PEERS_DIR:-$repo/../shared/peers}
case $RUNS in '' | *[!0-9]* | 0) echo "usage: sh threads-bench.sh [RUNS]" >&2; exit 2 ;; esac

vc=${VORNIX_COUNT:-}
[ -n "$vc" ] || for c in "$repo/build-core/vornix-count" "$repo/build/vornix-count"; do
    [ -x "$c" ] && { vc=$c; break; }
done
[ -x "${vc:-}" ] || { echo "build vornix-count first, or set VORNIX_COUNT" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/vornix-threads.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
g++ -O2 -o "$work/peer_hashmap" "$PEERS_DIR/peer_hashmap.cpp"

for t in big-100mb.txt many-distinct-300k.txt; do
    [ -s "$TEXT_DIR/$t" ] || sh "$CORPUS_DIR/make-big.sh" "$TEXT_DIR" > /dev/null
done
big=$TEXT_DIR/big-100mb.txt
giga=$TEXT_DIR/big-1gb.txt
if [ ! -s "$giga" ]; then
    for i in 1 2 3 4 5 6 7 8 9 10; do cat "$big"; done > "$giga.part" && mv "$giga.part" "$giga"
fi
cores=$(nproc)

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

# The same table from every thread count.
for t in 1 2 4; do "$vc" --threads=$t --no-common-list --show-numbers "$big" > "$work/out.$t"; done
cmp -s "$work/out.1" "$work/out.2" && cmp -s "$work/out.1" "$work/out.4" && same=yes || same=NO

set_big() {
    run wc wc -w "$big"
    run peer "$work/peer_hashmap" "$big"
    run vc1 "$vc" --threads=1 --no-common-list --show-numbers "$big"
    run vcd "$vc" --no-common-list --show-numbers "$big"
}
set_many() {
    for t in 1 2 4; do run "many$t" "$vc" --threads=$t --no-common-list --show-numbers "$TEXT_DIR/many-distinct-300k.txt"; done
}
set_giga() {
    run giga1 "$vc" --threads=1 --no-common-list --show-numbers "$giga"
    run gigad "$vc" --no-common-list --show-numbers "$giga"
}
set_big; set_many; set_giga  # warm-up
rm -f "$work"/wc "$work"/peer "$work"/vc1 "$work"/vcd "$work"/many* "$work"/giga*
i=0
while [ $i -lt "$RUNS" ]; do
    set_big; set_many; set_giga
    i=$((i + 1))
done

echo "vornix-count: $vc; $cores processors; load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo "fastest of $RUNS runs after one warm-up: wall s, user+sys CPU s, largest peak MiB"
echo "same table with 1, 2 and 4 threads: $same"
echo
printf '%-34s %8s %8s %9s\n' command wall cpu peak
for n in wc:"wc -w big-100mb" peer:"peer_hashmap big-100mb" vc1:"vornix --threads=1 big-100mb" \
    vcd:"vornix (default $cores) big-100mb" many1:"vornix --threads=1 many-distinct" \
    many2:"vornix --threads=2 many-distinct" many4:"vornix --threads=4 many-distinct" \
    giga1:"vornix --threads=1 big-1gb" gigad:"vornix (default) big-1gb"; do
    key=${n%%:*}
    printf '%-34s %8s %8s %9s\n' "${n#*:}" $(best "$key")
done
w() { best "$1" | cut -d' ' -f1; }
echo
echo "ratios (wall, fastest runs):"
echo "  default / wc -w            $(echo "scale=2; $(w vcd) / $(w wc)" | bc)   goal <= 1.0"
echo "  default / peer_hashmap     $(echo "scale=2; $(w vcd) / $(w peer)" | bc)   goal <= 0.35"
echo "  threads=1 / peer_hashmap   $(echo "scale=2; $(w vc1) / $(w peer)" | bc)   goal <= 0.40"
echo "  many-distinct 2 / 1        $(echo "scale=2; $(w many2) / $(w many1)" | bc)   goal <= 1 (noise aside)"
echo "  many-distinct 4 / 1        $(echo "scale=2; $(w many4) / $(w many1)" | bc)"
echo "  1 GB / (10 x 100 MB), 1    $(echo "scale=2; $(w giga1) / (10 * $(w vc1))" | bc)   goal within 0.90..1.10"
echo "  1 GB / (10 x 100 MB), def  $(echo "scale=2; $(w gigad) / (10 * $(w vcd))" | bc)"

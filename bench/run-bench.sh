#!/bin/sh
# run-bench.sh [RUNS]
#
# Times vornix-count against the peer counters on the same texts in one run, and checks
# the speed and memory goals. For each text and each command: one warm-up run, then RUNS
# counted runs (default 5), taken in turn so that a noisy spell hits every command alike.
# Prints the median wall time and median peak resident memory of each, the ratios, and a
# PASS/FAIL line per goal; exits 1 when a goal or the output check fails.
#
# Environment (all optional):
#   RUNS          counted runs per command (the argument wins)
#   VORNIX_COUNT  a built vornix-count to time; otherwise one is built from this checkout
#   BUILD_TYPE    CMake build type when building (default RelWithDebInfo, the project default)
#   TEXT_DIR      where make-big.sh puts the texts (default /tmp/wf); reused when complete
#   CORPUS_DIR    the corpus with make-big.sh (default ../../shared/corpus from here)
#   PEERS_DIR     peer_hashmap.cpp and peer_counter.py (default ../../shared/peers)
#
# Needs: sh, g++, cmake + ninja (only to build vornix-count), python3, GNU time
# (/usr/bin/time), GNU date (+%N), awk, sort, tr, uniq, xz, tar.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
RUNS=${1:-${RUNS:-5}}
TEXT_DIR=${TEXT_DIR:-/tmp/wf}
CORPUS_DIR=${CORPUS_DIR:-$repo/../shared/corpus}
PEERS_DIR=${PEERS_DIR:-$repo/../shared/peers}
BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo}

case $RUNS in '' | *[!0-9]* | 0) echo "usage: sh run-bench.sh [RUNS]  (RUNS a whole number >= 1)" >&2; exit 2 ;; esac

if [ ! -x /usr/bin/time ] || ! /usr/bin/time -f '%e %M' true > /dev/null 2>&1; then
    echo "GNU time is needed at /usr/bin/time. On Debian/Ubuntu: sudo apt-get install time" >&2
    exit 2
fi
case $(date +%N) in *N* | '') echo "GNU date (with +%N) is needed" >&2; exit 2 ;; esac
for f in "$PEERS_DIR/peer_hashmap.cpp" "$PEERS_DIR/peer_counter.py" "$CORPUS_DIR/make-big.sh"; do
    [ -f "$f" ] || { echo "missing $f (set PEERS_DIR / CORPUS_DIR)" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/vornix-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

# --- programs ----------------------------------------------------------------
if [ -n "${VORNIX_COUNT:-}" ]; then
    vc=$VORNIX_COUNT
    [ -x "$vc" ] || { echo "VORNIX_COUNT=$vc is not an executable" >&2; exit 2; }
    vc_from="given ($vc)"
else
    echo "building vornix-count ($BUILD_TYPE) ..."
    cmake -S "$repo" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE="$BUILD_TYPE" \
        -DVORNIX_BUILD_GUI=OFF -DVORNIX_BUILD_TESTS=OFF > "$work/cmake.log" 2>&1 &&
        cmake --build "$work/build" --target vornix-count >> "$work/cmake.log" 2>&1 ||
        { cat "$work/cmake.log" >&2; echo "building vornix-count failed" >&2; exit 2; }
    vc=$work/build/vornix-count
    vc_from="built from $repo ($BUILD_TYPE, commit $(git -C "$repo" rev-parse --short HEAD 2>/dev/null || echo unknown))"
fi
g++ -O2 -o "$work/peer_hashmap" "$PEERS_DIR/peer_hashmap.cpp"

# --- texts -------------------------------------------------------------------
texts="big-100mb.txt small-5mb.txt many-distinct-300k.txt"
complete=yes
for t in $texts; do [ -s "$TEXT_DIR/$t" ] || complete=no; done
if [ $complete = no ]; then
    echo "making the texts in $TEXT_DIR ..."
    sh "$CORPUS_DIR/make-big.sh" "$TEXT_DIR" > /dev/null
fi

# --- output check ------------------------------------------------------------
# vornix-count with every word shown and a blank separator must print what the
# reference counter prints, line for line, once CR is removed.
small=$TEXT_DIR/small-5mb.txt
"$vc" --no-common-list --show-numbers --separator=space "$small" | tr -d '\r' > "$work/vc.out"
"$work/peer_hashmap" "$small" > "$work/peer.out" 2> /dev/null
if cmp -s "$work/vc.out" "$work/peer.out"; then
    same=PASS
    same_note="identical ($(wc -l < "$work/vc.out" | tr -d ' ') lines)"
else
    same=FAIL
    same_note="different: first difference $(cmp "$work/vc.out" "$work/peer.out" 2>&1 | head -n 1)"
fi

# --- timing ------------------------------------------------------------------
tools="vornix peer_hashmap python pipeline"

PIPE='tr -cs "A-Za-z'"'"'" "\n" < "$1" | tr a-z A-Z | sort | uniq -c | sort -rn'

# run_tool TOOL FILE: runs the command under GNU time, its output thrown away. The
# command is started directly (not through a shell) where it can be, so that the peak
# is the counter's own; the pipeline's peak is that of its largest process.
run_tool() {
    case $1 in
    vornix) set -- "$vc" --no-common-list --show-numbers "$2" ;;
    peer_hashmap) set -- "$work/peer_hashmap" "$2" ;;
    python) set -- python3 "$PEERS_DIR/peer_counter.py" "$2" ;;
    pipeline) set -- env LC_ALL=C sh -c "$PIPE" sh "$2" ;;
    esac
    /usr/bin/time -f '%e %M' -o "$work/one" "$@" > /dev/null 2>&1
}

measure_once() {  # measure_once TOOL FILE: appends "wall_microseconds peak_kib" to $work/TOOL.FILE
    start=$(date +%s%N)
    run_tool "$1" "$2" || { echo "$1 failed on $2" >&2; exit 1; }
    end=$(date +%s%N)
    # Wall time from the clock around the run: GNU time's %e has only 10 ms steps.
    echo "$(( (end - start) / 1000 )) $(tail -n 1 "$work/one" | cut -d' ' -f2)" >> "$work/$1.$(basename "$2")"
}

median() {  # median FILE COLUMN
    cut -d' ' -f"$2" "$1" | sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

echo "vornix-count: $vc_from"
echo "runs: 1 warm-up + $RUNS counted per command, in turn; medians"
echo
for t in $texts; do
    f=$TEXT_DIR/$t
    for tool in $tools; do
        : > "$work/$tool.$t"
        run_tool "$tool" "$f" || { echo "$tool failed on $f" >&2; exit 1; }  # warm-up
    done
    i=0
    while [ "$i" -lt "$RUNS" ]; do
        for tool in $tools; do measure_once "$tool" "$f"; done
        i=$((i + 1))
    done
    bytes=$(wc -c < "$f" | tr -d ' ')
    echo "$t ($bytes bytes)"
    printf '  %-14s %10s %10s %12s\n' command "wall s" "x vornix" "peak MiB"
    vwall=$(median "$work/vornix.$t" 1)
    for tool in $tools; do
        wall=$(median "$work/$tool.$t" 1)
        peak=$(median "$work/$tool.$t" 2)
        awk -v n="$tool" -v w="$wall" -v v="$vwall" -v p="$peak" \
            'BEGIN { printf "  %-14s %10.3f %10.2f %12.1f\n", n, w / 1e6, w / v, p / 1024 }'
        eval "wall_${tool}_$(echo "$t" | tr -c 'a-z0-9\n' '_')=$wall"
        eval "peak_${tool}_$(echo "$t" | tr -c 'a-z0-9\n' '_')=$peak"
    done
    vpeak=$(median "$work/vornix.$t" 2)
    awk -v p="$vpeak" -v b="$bytes" 'BEGIN { printf "  vornix-count peak / (input + 48 MiB) = %.1f / %.1f MiB = %.2f\n", p / 1024, b / 1048576 + 48, p * 1024 / (b + 48 * 1048576) }'
    echo
done

# --- goals -------------------------------------------------------------------
fails=0
goal() {  # goal TEXT CONDITION-AWK-EXPRESSION DETAIL
    if awk "BEGIN { exit !($2) }"; then r=PASS; else r=FAIL; fails=$((fails + 1)); fi
    echo "$r  $1: $3"
}
b=big_100mb_txt
m=many_distinct_300k_txt
eval "vb=\$wall_vornix_$b hb=\$wall_peer_hashmap_$b pb=\$wall_python_$b lb=\$wall_pipeline_$b"
eval "vm=\$wall_vornix_$m hm=\$wall_peer_hashmap_$m"
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo "Goals"
goal "big-100mb: at least as fast as peer_hashmap" "$vb <= $hb" \
    "peer_hashmap / vornix-count = $(ratio "$hb" "$vb")x (aim 2x: $(awk -v a="$hb" -v b="$vb" 'BEGIN { print (a >= 2 * b) ? "reached" : "not reached" }'))"
goal "big-100mb: >= 5x faster than python" "$pb >= 5 * $vb" "$(ratio "$pb" "$vb")x"
goal "big-100mb: >= 4x faster than the tr|sort|uniq pipeline (LC_ALL=C)" "$lb >= 4 * $vb" "$(ratio "$lb" "$vb")x"
goal "many-distinct-300k: at most 2x peer_hashmap's time" "$vm <= 2 * $hm" \
    "vornix-count / peer_hashmap = $(ratio "$vm" "$hm")"
largest=0
maxpeak=0
for t in $texts; do
    s=$(wc -c < "$TEXT_DIR/$t" | tr -d ' ')
    eval "p=\$peak_vornix_$(echo "$t" | tr -c 'a-z0-9\n' '_')"
    largest=$(awk -v a="$largest" -v b="$s" 'BEGIN { print (b > a) ? b : a }')
    maxpeak=$(awk -v a="$maxpeak" -v b="$p" 'BEGIN { print (b > a) ? b : a }')
done
goal "peak memory <= largest input + 48 MiB" "$maxpeak * 1024 <= $largest + 48 * 1048576" \
    "$(awk -v p="$maxpeak" -v b="$largest" 'BEGIN { printf "%.1f MiB <= %.1f MiB", p / 1024, b / 1048576 + 48 }')"
[ $same = FAIL ] && fails=$((fails + 1))
echo "$same  small-5mb: vornix-count output equals peer_hashmap's (CR removed): $same_note"

[ "$fails" -eq 0 ]

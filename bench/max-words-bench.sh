#!/bin/sh
# max-words-bench.sh [RUNS]
#
# A word limit of choice on a large vocabulary: a generated text of 10 million distinct
# words counted with --max-words=20000000, against many-distinct-300k.txt counted with
# the default limit. Both texts have the same shape (synthetic words each used 1 to 4
# times, 2.5 on average), so their time per running word should be alike. Each command
# runs once to warm up and then RUNS times (default 3), taken in turn; the FASTEST wall
# time counts (the machine is shared, and noise only ever adds time), with the largest
# peak resident memory (GNU time %M) seen.
#
# Goals:
#   - time per word of the 10M text at most 1.3x that of many-distinct-300k.txt;
#   - peak memory of the 10M count, less the peak of counting a one-word text (the
#     program and its libraries), at most 32 bytes per distinct word plus the record
#     file (43 bytes per distinct word, resident through its shared mapping).
# It also checks that every word was counted: the table has 10,000,000 lines and no
# limit message was given.
#
# Environment: VORNIX_COUNT (a built vornix-count; else build/ of this checkout),
# TEXT_DIR (default /tmp/wf; the 10M text is made there once, about 300 MB, and reused),
# CORPUS_DIR (make-big.sh, for many-distinct-300k.txt when it is missing).
# Needs GNU time at /usr/bin/time, GNU date (+%N), awk, wc, bc.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
RUNS=${1:-${RUNS:-3}}
TEXT_DIR=${TEXT_DIR:-/tmp/wf}
CORPUS_DIR=${CORPUS_DIR:-$repo/../shared/corpus}
case $RUNS in '' | *[!0-9]* | 0) echo "usage: sh max-words-bench.sh [RUNS]" >&2; exit 2 ;; esac
LC_ALL=C
export LC_ALL

vc=${VORNIX_COUNT:-$repo/build/vornix-count}
[ -x "$vc" ] || { echo "build vornix-count first, or set VORNIX_COUNT" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/vornix-maxwords.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

mkdir -p "$TEXT_DIR"
small=$TEXT_DIR/many-distinct-300k.txt
[ -s "$small" ] || sh "$CORPUS_DIR/make-big.sh" "$TEXT_DIR" > /dev/null
big=$TEXT_DIR/many-distinct-10m.txt
distinct=10000000

# The words of make-big.sh's synthetic texts: a 5-letter head unique per word (a
# permutation of 26^5 codes, so 10 million stay distinct even upper-cased), then 0 to
# 12 pseudo-random letters; every 997th word 40 letters; every 5th word capitalised;
# word j used (j mod 4) + 1 times over four passes. The same bytes on every machine.
if [ ! -s "$big" ]; then
    echo "making $big ..."
    awk -v n="$distinct" -v passes=4 'BEGIN {
        lo = "abcdefghijklmnopqrstuvwxyz"; up = "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
        m = 26 * 26 * 26 * 26 * 26
        col = 0
        for (p = 1; p <= passes; p++) {
            for (i = 0; i < n; i++) {
                j = (i * 7919 + p * 1000) % n
                if (j % passes < p - 1) continue
                c = (j * 7919 + 104729) % m
                w = ""
                for (k = 0; k < 5; k++) { w = w substr(lo, c % 26 + 1, 1); c = int(c / 26) }
                if (j % 5 == 0) w = substr(up, index(lo, substr(w, 1, 1)), 1) substr(w, 2)
                s = (j * 69069 + 1) % 4294967296
                extra = (j % 997 == 0) ? 35 : int(s / 65536) % 13
                for (k = 0; k < extra; k++) {
                    s = (s * 69069 + 1) % 4294967296
                    w = w substr(lo, int(s / 65536) % 26 + 1, 1)
                }
                col++
                printf "%s%s", w, (col % 12 == 0) ? "\n" : " "
            }
        }
        printf "\n"
    }' > "$big.part"
    mv "$big.part" "$big"
fi
echo "word" > "$work/one.txt"

# run NAME COMMAND...: appends "wall_us peak_kib cpu_s" to $work/NAME; the table goes to $work/NAME.out
run() {
    name=$1
    shift
    start=$(date +%s%N)
    /usr/bin/time -f '%M %U %S' -o "$work/time" "$@" > "$work/$name.out" 2> "$work/$name.err" ||
        { cat "$work/$name.err" >&2; echo "$name failed" >&2; exit 1; }
    end=$(date +%s%N)
    set -- $(tail -n 1 "$work/time")
    echo "$(( (end - start) / 1000 )) $1 $(echo "$2 + $3" | bc)" >> "$work/$name"
}
fastest() { sort -n "$work/$1" | head -n 1 | cut -d' ' -f1; }
peak() { sort -k2 -n "$work/$1" | tail -n 1 | cut -d' ' -f2; }
cpu() { sort -k3 -n "$work/$1" | head -n 1 | cut -d' ' -f3; }  # the least user + system time

opts="--no-common-list --show-numbers"
for r in $(seq 0 "$RUNS"); do
    [ "$r" = 0 ] && rm -f "$work/small" "$work/big" "$work/base"
    run small "$vc" $opts "$small"
    run big "$vc" $opts --max-words=20000000 "$big"
    run base "$vc" $opts "$work/one.txt"
    [ "$r" = 0 ] && rm -f "$work/small" "$work/big" "$work/base"
done

lines=$(wc -l < "$work/big.out" | tr -d ' ')
words_small=$(wc -w < "$small" | tr -d ' ')
words_big=$(wc -w < "$big" | tr -d ' ')
ts=$(fastest small)
tb=$(fastest big)
ns_small=$(echo "scale=1; $ts * 1000 / $words_small" | bc)
ns_big=$(echo "scale=1; $tb * 1000 / $words_big" | bc)
ratio=$(echo "scale=3; $ns_big / $ns_small" | bc)
pb=$(peak big)
pbase=$(peak base)
budget=$(( (32 + 43) * distinct / 1024 ))
used=$(( pb - pbase ))

echo "vornix-count: $vc"
printf '%-44s %10s %10s %12s %10s\n' text words wall_s ns_per_word peak_MiB
printf '%-44s %10s %10s %12s %10s\n' "many-distinct-300k.txt" "$words_small" "$(echo "scale=3; $ts / 1000000" | bc)" \
    "$ns_small" "$(echo "scale=1; $(peak small) / 1024" | bc)"
printf '%-44s %10s %10s %12s %10s\n' "many-distinct-10m.txt --max-words=20000000" "$words_big" \
    "$(echo "scale=3; $tb / 1000000" | bc)" "$ns_big" "$(echo "scale=1; $pb / 1024" | bc)"
printf '%-44s %10s %10s %12s %10s\n' "one word (the program itself)" 1 "" "" "$(echo "scale=1; $pbase / 1024" | bc)"
echo
cpu_ratio=$(echo "scale=3; ($(cpu big) * $words_small) / ($(cpu small) * $words_big)" | bc)
echo "time per word 10M / 300k: $ratio (goal <= 1.3); in CPU time (user + system, least of the runs): $cpu_ratio"
echo "memory of the 10M count beyond the program: $(( used / 1024 )) MiB; budget (32 + 43) B x $distinct words: $(( budget / 1024 )) MiB"
echo "bytes per distinct word beyond the program: $(echo "scale=1; $used * 1024 / $distinct" | bc) (of which 43 the record file)"
status=0
if [ "$lines" = "$distinct" ] && [ ! -s "$work/big.err" ]; then echo "PASS every word counted ($lines lines)"; else
    echo "FAIL $lines lines, $(cat "$work/big.err")"; status=1; fi
if [ "$(echo "$ratio <= 1.3" | bc)" = 1 ]; then echo "PASS time per word"; else echo "FAIL time per word"; status=1; fi
if [ "$used" -le "$budget" ]; then echo "PASS peak memory"; else echo "FAIL peak memory"; status=1; fi
exit $status

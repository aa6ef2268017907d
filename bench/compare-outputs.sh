#!/bin/sh
# Runs two builds of vornix-count on the corpus texts with several option sets and
# compares their outputs byte for byte: compare-outputs.sh OLD NEW [CORPUS_DIR]
# Prints one line per difference and a summary; exits 1 when any output differs.
set -u
old=$(realpath "$1") new=$(realpath "$2") corpus=${3:-$(dirname "$0")/../../shared/corpus}
work=$(mktemp -d) || exit 2
trap 'rm -rf "$work"' EXIT
for f in "$corpus"/*.txt.xz; do
    [ -e "$f" ] || continue
    name=$(basename "$f" .xz)
    xz -dc "$f" > "$work/$name"
    # Its Unicode forms, as make-big.sh makes them for the big texts.
    iconv -f WINDOWS-1252 -t UTF-8 "$work/$name" > "$work/${name%.txt}-utf8.txt" 2>/dev/null
    iconv -f WINDOWS-1252 -t UTF-16 "$work/$name" > "$work/${name%.txt}-utf16.txt" 2>/dev/null
done
same=0 differ=0
run() {  # run LABEL OPTIONS... -- FILES
    label=$1; shift
    for bin in old new; do
        eval exe=\$$bin
        (cd "$work" && "$exe" --quiet "$@" > "$work/out.$bin" 2> "$work/err.$bin"; echo "exit $?" >> "$work/err.$bin")
    done
    if cmp -s "$work/out.old" "$work/out.new" && cmp -s "$work/err.old" "$work/err.new"; then
        same=$((same + 1))
    else
        differ=$((differ + 1)); echo "DIFFERS: $label: $*"
    fi
}
for t in "$work"/*.txt; do
    t=$(basename "$t")
    for opts in "" "--order=alphabetical" "--order=length" "--lower" "--stats" "--format=csv" "--format=json" \
                "--context=THE" "--possessives=strip" "--encoding=utf-8" "--encoding=8bit" "--threads=1" "--threads=2"; do
        # shellcheck disable=SC2086
        run "$t" $opts "$t"
    done
done
# The analyses beside the word table, on the 8-bit texts: each against the next text as
# its reference or second document.
set -- $(cd "$work" && ls *.txt | grep -v -e '-utf8.txt$' -e '-utf16.txt$')
first=$1
while [ $# -gt 0 ]; do
    t=$1 other=${2:-$first}
    shift
    for opts in "--keywords --reference=$other" "--keywords --negative --p=1 --format=csv --reference-table=$other.tsv" \
                "--ngrams=2" "--ngrams=3 --format=json" "--collocates=THE --format=csv" "--dispersion --parts=10" \
                "--per-file --dispersion --format=tsv $other"; do
        (cd "$work" && "$old" --quiet --format=tsv "$other" > "$other.tsv")
        # shellcheck disable=SC2086
        run "$t" $opts "$t"
    done
done
for t in "$work"/*.txt; do
    t=$(basename "$t")
    for bin in old new; do eval exe=\$$bin; (cd "$work" && "$exe" --quiet - < "$t" > "$work/in.$bin" 2>&1); done
    if cmp -s "$work/in.old" "$work/in.new"; then same=$((same + 1)); else differ=$((differ + 1)); echo "DIFFERS: stdin $t"; fi
done
echo "$same identical, $differ different"
[ "$differ" -eq 0 ]

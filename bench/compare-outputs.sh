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
for t in "$work"/*.txt; do
    t=$(basename "$t")
    for bin in old new; do eval exe=\$$bin; (cd "$work" && "$exe" --quiet - < "$t" > "$work/in.$bin" 2>&1); done
    if cmp -s "$work/in.old" "$work/in.new"; then same=$((same + 1)); else differ=$((differ + 1)); echo "DIFFERS: stdin $t"; fi
done
echo "$same identical, $differ different"
[ "$differ" -eq 0 ]
